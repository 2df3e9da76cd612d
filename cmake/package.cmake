# Makes korvane-<version>.zip: the program, its help file, the user guide and the licence, as a
# Windows 9x user reads them (GBK text with CR LF line ends, 8.3 file names). The guide is the
# plain text that tools/hlpc.py made from docs/guide-zh.txt along with the help file.
# cmake -DEXE=... -DHLP=... -DGUIDE=... -DSRC=... -DOUT_DIR=... -DVERSION=... -P package.cmake
set(stage "${OUT_DIR}/package/korvane")
file(REMOVE_RECURSE "${OUT_DIR}/package")
file(MAKE_DIRECTORY "${stage}")
file(COPY_FILE "${EXE}" "${stage}/KORVANE.EXE")
file(COPY_FILE "${HLP}" "${stage}/KORVANE.HLP")

function(dos_text source dest encoding)
  file(READ "${source}" text)
  string(REPLACE "\r\n" "\n" text "${text}")
  string(REPLACE "\n" "\r\n" text "${text}")
  file(WRITE "${OUT_DIR}/package/tmp.txt" "${text}")
  if(encoding STREQUAL "GBK")
    execute_process(COMMAND iconv -f UTF-8 -t GBK "${OUT_DIR}/package/tmp.txt"
                    OUTPUT_FILE "${dest}" RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
      message(FATAL_ERROR "iconv could not convert ${source} to GBK")
    endif()
  else()
    file(COPY_FILE "${OUT_DIR}/package/tmp.txt" "${dest}")
  endif()
  file(REMOVE "${OUT_DIR}/package/tmp.txt")
endfunction()

dos_text("${GUIDE}" "${stage}/README.TXT" GBK)
dos_text("${SRC}/LICENSE" "${stage}/LICENSE.TXT" ASCII)

set(zip "${OUT_DIR}/korvane-${VERSION}.zip")
file(REMOVE "${zip}")
execute_process(COMMAND ${CMAKE_COMMAND} -E tar cf "${zip}" --format=zip korvane
                WORKING_DIRECTORY "${OUT_DIR}/package" RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "could not write ${zip}")
endif()
message(STATUS "Wrote ${zip}")
