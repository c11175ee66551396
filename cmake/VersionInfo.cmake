# Writes the program's version and the commit it is built from (cmake -DVERSION=... -DSOURCE_DIR=...
# -DOUTPUT=file.cpp -P VersionInfo.cmake); a source tree outside git says "unknown", and a
# tree with changes not committed adds "+changes". The file is rewritten only when that changes,
# so that the program is not linked again for nothing.
set(commit unknown)
find_package(Git QUIET)
if(GIT_FOUND)
  execute_process(COMMAND ${GIT_EXECUTABLE} -C ${SOURCE_DIR} rev-parse --short=12 HEAD
                  OUTPUT_VARIABLE head RESULT_VARIABLE failed OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(NOT failed AND head)
    set(commit ${head})
    execute_process(COMMAND ${GIT_EXECUTABLE} -C ${SOURCE_DIR} diff --quiet HEAD --
                    RESULT_VARIABLE dirty ERROR_QUIET)
    if(dirty)
      string(APPEND commit "+changes")
    endif()
  endif()
endif()
set(text "// Written by cmake/VersionInfo.cmake.\nextern const char kTavrinVersion[] = \"${VERSION}\";\nextern const char kTavrinCommit[] = \"${commit}\";\n")
include(${CMAKE_CURRENT_LIST_DIR}/WriteIfChanged.cmake)
write_if_changed("${OUTPUT}" "${text}")
