# cmake -DSOURCE=<file> -DDESTINATION=<file> -P CopyIfMissing.cmake
# Copies SOURCE to DESTINATION only when DESTINATION does not exist yet.
if(NOT EXISTS "${DESTINATION}")
  get_filename_component(_folder "${DESTINATION}" DIRECTORY)
  file(MAKE_DIRECTORY "${_folder}")
  configure_file("${SOURCE}" "${DESTINATION}" COPYONLY)
endif()
