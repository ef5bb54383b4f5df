# Makes the release package a Windows user downloads: the DLL and
# plothost.exe without their symbols, the sample settings file, the notes
# and the licence with CR LF line ends (Notepad's), and the SHA-256 sums of
# the two binaries; nothing else. Written under a temporary name and
# renamed, so a failed run leaves no partial package.
# Usage: cmake -DBIN=DIR -DSRC=DIR -DSTAGE=DIR -DZIP=FILE -DSTRIP=PROGRAM
#              -P package-win32.cmake
foreach(v BIN SRC STAGE ZIP STRIP)
  if(NOT DEFINED ${v})
    message(FATAL_ERROR "package-win32: ${v} not given")
  endif()
endforeach()

file(REMOVE_RECURSE ${STAGE})
file(MAKE_DIRECTORY ${STAGE})
foreach(f svgdrv.dll plothost.exe)
  execute_process(COMMAND ${STRIP} --strip-all -o ${STAGE}/${f} ${BIN}/${f}
                  RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "package-win32: cannot strip ${BIN}/${f}")
  endif()
endforeach()

# Text files: whatever their line ends in the tree, CR LF in the package.
function(put_crlf from to)
  file(READ ${from} text)
  string(REPLACE "\r\n" "\n" text "${text}")
  string(REPLACE "\n" "\r\n" text "${text}")
  file(WRITE ${STAGE}/${to} "${text}")
endfunction()
put_crlf(${SRC}/dist/SVG.ini SVG.ini)
put_crlf(${SRC}/dist/README.txt README.txt)
put_crlf(${SRC}/LICENSE LICENSE.txt)

# As sha256sum writes them, so that sha256sum -c checks them too.
set(sums "")
foreach(f svgdrv.dll plothost.exe)
  file(SHA256 ${STAGE}/${f} hash)
  string(APPEND sums "${hash}  ${f}\r\n")
endforeach()
file(WRITE ${STAGE}/SHA256SUMS "${sums}")

file(REMOVE ${ZIP}.tmp)
execute_process(
  COMMAND ${CMAKE_COMMAND} -E tar cf ${ZIP}.tmp --format=zip --
          svgdrv.dll plothost.exe SVG.ini README.txt LICENSE.txt SHA256SUMS
  WORKING_DIRECTORY ${STAGE} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "package-win32: cannot write ${ZIP}.tmp")
endif()
file(RENAME ${ZIP}.tmp ${ZIP})
file(SIZE ${ZIP} size)
message(STATUS "package-win32: ${ZIP} (${size} bytes)")
