# Writes the source revision header: the commit count (the About box's "Rev:" number) and the
# commit it was built from, "-dirty" when the tree had changes. Outside a git checkout (a source
# tarball) both are unknown. The file is rewritten only when its text changes, so a build
# recompiles the few files that show the revision only after a commit.
#   cmake -DSOURCE_DIR=... -DOUTPUT=... -P revision.cmake
set(count 0)
set(commit unknown)
execute_process(COMMAND git rev-list --count HEAD WORKING_DIRECTORY ${SOURCE_DIR}
  OUTPUT_VARIABLE out RESULT_VARIABLE result OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
if(result EQUAL 0 AND out MATCHES "^[0-9]+$")
  set(count ${out})
  execute_process(COMMAND git rev-parse --short=12 HEAD WORKING_DIRECTORY ${SOURCE_DIR}
    OUTPUT_VARIABLE commit OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  execute_process(COMMAND git status --porcelain --untracked-files=no
    WORKING_DIRECTORY ${SOURCE_DIR} OUTPUT_VARIABLE changes ERROR_QUIET)
  if(NOT changes STREQUAL "")
    string(APPEND commit "-dirty")
  endif()
endif()
set(text "// Generated at build time from the source tree's git state.
#pragma once
#define PELLUCOR_REVISION ${count}
#define PELLUCOR_SOURCE_COMMIT \"${commit}\"
")
set(old "")
if(EXISTS ${OUTPUT})
  file(READ ${OUTPUT} old)
endif()
if(NOT old STREQUAL text)
  file(WRITE ${OUTPUT} "${text}")
endif()
