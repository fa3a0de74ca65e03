# Writes OUT, a header with the build's version (KREL_BUILD_ID): the source
# commit, with "+" when the tree had changes, or "unknown" outside a git
# checkout. The file is rewritten only when the version changed, so an
# unchanged tree rebuilds nothing.
execute_process(
  COMMAND git -C "${SRC}" describe --always --dirty=+ --abbrev=8
  OUTPUT_VARIABLE id
  OUTPUT_STRIP_TRAILING_WHITESPACE
  ERROR_QUIET
  RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR id STREQUAL "")
  set(id "unknown")
endif()
set(text "#define KREL_BUILD_ID \"${id}\"\n")
set(old "")
if(EXISTS "${OUT}")
  file(READ "${OUT}" old)
endif()
if(NOT old STREQUAL text)
  file(WRITE "${OUT}" "${text}")
endif()
