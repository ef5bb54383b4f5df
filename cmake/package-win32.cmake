# Makes the release package a Windows user downloads: the DLL and
# plothost.exe without their symbols, the sample settings file, the notes
# and the licence with CR LF line ends (Notepad's), and the SHA-256 sums of
# the two binaries; nothing else. Written under a temporary name and
# renamed, so a failed run leaves no partial package. The same binaries
# give the same package byte for byte, whoever packs them and when: fixed
# file modes, every file dated at the commit (SOURCE_DATE_EPOCH where set),
# and no owner or extra times in the zip (zip -X).
# Usage: cmake -DBIN=DIR -DSRC=DIR -DSTAGE=DIR -DZIP=FILE -DSTRIP=PROGRAM
#              -DZIPPER=PROGRAM -P package-win32.cmake
foreach(v BIN SRC STAGE ZIP STRIP ZIPPER)
  if(NOT DEFINED ${v})
    message(FATAL_ERROR "package-win32: ${v} not given")
  endif()
endforeach()

file(REMOVE_RECURSE ${STAGE})
file(MAKE_DIRECTORY ${STAGE})
foreach(f svgdrv.dll plothost.exe)
  # --preserve-dates: else strip stamps its own time into the PE header.
  execute_process(COMMAND ${STRIP} --strip-all --preserve-dates -o ${STAGE}/${f} ${BIN}/${f}
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

set(files svgdrv.dll plothost.exe SVG.ini README.txt LICENSE.txt SHA256SUMS)
foreach(f ${files})
  set(x "")
  if(f MATCHES "\\.(dll|exe)$")
    set(x OWNER_EXECUTE GROUP_EXECUTE WORLD_EXECUTE)
  endif()
  file(CHMOD ${STAGE}/${f} PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ ${x})
endforeach()

# The date: SOURCE_DATE_EPOCH, else the commit's, else the start of 2000.
set(epoch "$ENV{SOURCE_DATE_EPOCH}")
if(NOT epoch MATCHES "^[0-9]+$")
  execute_process(COMMAND git -C ${SRC} log -1 --format=%ct OUTPUT_VARIABLE epoch
                  OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE rc ERROR_QUIET)
  if(NOT rc EQUAL 0 OR NOT epoch MATCHES "^[0-9]+$")
    set(epoch 946684800)
  endif()
endif()
execute_process(COMMAND touch -d @${epoch} ${files} WORKING_DIRECTORY ${STAGE} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "package-win32: cannot date the files in ${STAGE}")
endif()

file(REMOVE ${ZIP}.tmp)
# zip keeps local times: in UTC, the date is the same wherever it is packed.
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env TZ=UTC ${ZIPPER} -X -D -q ${ZIP}.tmp ${files}
  WORKING_DIRECTORY ${STAGE} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "package-win32: cannot write ${ZIP}.tmp")
endif()
file(RENAME ${ZIP}.tmp ${ZIP})
file(SIZE ${ZIP} size)
message(STATUS "package-win32: ${ZIP} (${size} bytes)")
