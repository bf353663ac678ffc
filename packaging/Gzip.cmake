# cmake -DSOURCE=<file> -DDESTINATION=<file.gz> -DGZIP=<gzip> -P Gzip.cmake
# Compresses SOURCE as Debian wants files in packages: best compression, no file name and no
# time stamp in the header, so the same input always gives the same bytes.
execute_process(COMMAND "${GZIP}" -9n -c "${SOURCE}" OUTPUT_FILE "${DESTINATION}"
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  file(REMOVE "${DESTINATION}")
  message(FATAL_ERROR "${GZIP} failed on ${SOURCE}: ${status}")
endif()
