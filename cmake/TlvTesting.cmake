# tlv_add_test(NAME <name> SOURCES <files...> [LIBS <targets...>] [QT] [ENV <VAR=value...>]
#              [TIMEOUT <seconds>] [LABELS <labels...>] [REALTIME <GoogleTest filter>])
# Builds one GoogleTest program and registers it with CTest. QT tests get a main that creates a
# QApplication and run with the offscreen platform, so they need no display.
#
# REALTIME names the program's cases whose verdict rests on the steady clock (cadence, a loop at
# speed). They run as a test of their own, <name>_realtime, labelled "realtime", and are left out
# of <name>: the default test run and the sanitizer builds skip that label, CI runs it once.
if(BUILD_TESTING)
  find_package(GTest REQUIRED)
  # The one way a test waits for another thread, process or the event loop (tlvtest/Wait.h,
  # tlvtest/WaitEvents.h); header-only and Qt-free, so the card library's tests use it too.
  add_library(tlv_test_wait INTERFACE)
  target_include_directories(tlv_test_wait INTERFACE ${PROJECT_SOURCE_DIR}/tests/support/include)
endif()

function(tlv_add_test)
  cmake_parse_arguments(T "QT" "NAME;TIMEOUT;REALTIME" "SOURCES;LIBS;ENV;LABELS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock tlv_test_wait
                                           tlv_warnings)
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
  if(T_REALTIME)
    add_test(NAME ${T_NAME}_realtime COMMAND ${T_NAME})
    set_tests_properties(${T_NAME}_realtime PROPERTIES
      TIMEOUT ${T_TIMEOUT} ENVIRONMENT "${_env};GTEST_FILTER=${T_REALTIME}"
      LABELS "realtime;${T_LABELS}")
    list(APPEND _env "GTEST_FILTER=-${T_REALTIME}")
  endif()
  set_tests_properties(${T_NAME} PROPERTIES TIMEOUT ${T_TIMEOUT} ENVIRONMENT "${_env}"
                                            LABELS "${T_LABELS}")
endfunction()
