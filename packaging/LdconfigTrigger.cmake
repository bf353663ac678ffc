# Run by cpack after it has written the packages (CPACK_POST_BUILD_SCRIPTS).
# CPack gives every package with a shared library in /usr/lib a postinst and a postrm that call
# ldconfig. Debian registers libraries through the ldconfig trigger instead (the library
# package's control member "triggers", added with CPACK_DEBIAN_LIBRARY_PACKAGE_CONTROL_EXTRA), so
# those two scripts are taken out again and the package is rebuilt with dpkg-deb. A script that
# does anything besides ldconfig stops the build: it was not written by CPack.
cmake_minimum_required(VERSION 3.25)

function(is_ldconfig_only script result)
  file(STRINGS "${script}" lines)
  foreach(line IN LISTS lines)
    string(STRIP "${line}" line)
    if(line STREQUAL "" OR line STREQUAL "#!/bin/sh" OR line STREQUAL "set -e"
       OR line STREQUAL "ldconfig" OR line STREQUAL "fi"
       OR line MATCHES "^if \\[ \"\\$1\" = \"(configure|remove)\" \\]\\; then$")
      continue()
    endif()
    set(${result} FALSE PARENT_SCOPE)
    return()
  endforeach()
  set(${result} TRUE PARENT_SCOPE)
endfunction()

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT status EQUAL 0)
    string(REPLACE ";" " " command "${ARGN}")
    message(FATAL_ERROR "${command} failed (${status}): ${out}")
  endif()
endfunction()

foreach(deb IN LISTS CPACK_PACKAGE_FILES)
  if(NOT deb MATCHES "\\.deb$")
    continue()
  endif()
  set(tree "${deb}.tree")
  file(REMOVE_RECURSE "${tree}")
  run("${CPACK_TLV_DPKG_DEB}" --raw-extract "${deb}" "${tree}")
  set(changed FALSE)
  foreach(script postinst postrm)
    set(file "${tree}/DEBIAN/${script}")
    if(EXISTS "${file}")
      is_ldconfig_only("${file}" only)
      if(NOT only)
        message(FATAL_ERROR "${deb}: ${script} does more than call ldconfig")
      endif()
      file(REMOVE "${file}")
      set(changed TRUE)
    endif()
  endforeach()
  if(changed)
    if(NOT EXISTS "${tree}/DEBIAN/triggers")
      message(FATAL_ERROR "${deb}: a shared library without an ldconfig trigger")
    endif()
    run("${CPACK_TLV_DPKG_DEB}" --root-owner-group --build "${tree}" "${deb}")
  endif()
  file(REMOVE_RECURSE "${tree}")
endforeach()
