# tlv_add_test(NAME <name> SOURCES <files...> [LIBS <targets...>] [QT] [ENV <VAR=value...>]
#              [TIMEOUT <seconds>] [LABELS <labels...>])
# Builds one GoogleTest program and registers it with CTest. QT tests get a main that creates a
# QApplication and run with the offscreen platform, so they need no display.
if(BUILD_TESTING)
  find_package(GTest REQUIRED)
endif()

function(tlv_add_test)
  cmake_parse_arguments(T "QT" "NAME;TIMEOUT" "SOURCES;LIBS;ENV;LABELS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock tlv_warnings)
  if(T_QT)
    target_link_libraries(${T_NAME} PRIVATE tlv_qt_test_main Qt6::Test)
  else()
    target_link_libraries(${T_NAME} PRIVATE GTest::gtest_main)
  endif()
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set(_env "QT_QPA_PLATFORM=offscreen" ${T_ENV})
  set_tests_properties(${T_NAME} PROPERTIES TIMEOUT ${T_TIMEOUT} ENVIRONMENT "${_env}"
                                            LABELS "${T_LABELS}")
endfunction()
