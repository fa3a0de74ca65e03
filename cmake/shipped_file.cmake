# Puts a shipped data file (data/arms.dat, data/level.bmp) beside the
# programs without ever replacing a file a player changed there.
#
# The copy is made when the destination is missing or still holds exactly
# what this build put there last time (remembered as a hash in `stamp`), so a
# new shipped version arrives while a player's own level or weapon file
# stays. A kept file is reported in one line on stderr.
#
# Also runs as a script: cmake -DSRC=... -DDST=... -DSTAMP=... -P shipped_file.cmake
function(krel_place_shipped src dst stamp)
  file(SHA256 "${src}" src_hash)
  if(EXISTS "${dst}")
    file(SHA256 "${dst}" dst_hash)
    set(last_hash "")
    if(EXISTS "${stamp}")
      file(READ "${stamp}" last_hash)
    endif()
    if(dst_hash STREQUAL src_hash)
      file(WRITE "${stamp}" "${src_hash}")
      return()
    endif()
    if(NOT dst_hash STREQUAL last_hash)
      get_filename_component(name "${dst}" NAME)
      message(NOTICE "Keeping your changed ${dst}; delete it to get the shipped ${name} back")
      return()
    endif()
  endif()
  file(COPY_FILE "${src}" "${dst}")
  file(WRITE "${stamp}" "${src_hash}")
endfunction()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  krel_place_shipped("${SRC}" "${DST}" "${STAMP}")
endif()
