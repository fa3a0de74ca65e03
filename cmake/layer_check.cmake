# Fails when a source file of a client layer includes a header of a client
# folder that is not below it (or its own). Run by the build of each layer:
#   cmake -DLAYER=name -DROOT=dir -DOWN=a;b -DALLOWED=a;b;c -DSTAMP=file -P layer_check.cmake
# OWN: the layer's folders under client/; ALLOWED: those it may include.
set(bad "")
foreach(dir ${OWN})
  file(GLOB_RECURSE files ${ROOT}/client/${dir}/*.h ${ROOT}/client/${dir}/*.cpp)
  foreach(file ${files})
    file(STRINGS ${file} lines REGEX "^[ \t]*#[ \t]*include[ \t]+\"client/")
    foreach(line ${lines})
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]+\"client/([^/\"]+)/.*" "\\1" target "${line}")
      list(FIND ALLOWED ${target} found)
      if(found EQUAL -1)
        file(RELATIVE_PATH rel ${ROOT} ${file})
        string(STRIP "${line}" line)
        string(APPEND bad "  ${rel}: ${line}\n")
      endif()
    endforeach()
  endforeach()
endforeach()
if(bad)
  message(FATAL_ERROR "client layer '${LAYER}' includes a layer above it (or beside it):\n${bad}"
                      "A layer may include only: ${ALLOWED}")
endif()
file(WRITE ${STAMP} "ok\n")
