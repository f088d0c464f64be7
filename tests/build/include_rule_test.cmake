# The include rule (cmake/include_rule.cmake) run on small trees of its own:
# a tree whose installer code includes a header of the tools, by its path
# from src/ or by a relative one, must fail with the file named; a tree whose
# tools include the installer's headers, as they may, must pass.
#   cmake -DRULE=cmake/include_rule.cmake -DWORK=DIR -P include_rule_test.cmake
set(cases
  "offending|src/model/route.h|#include \"tools/text/cp1252.h\"|fail"
  "spaced|src/compiler/step.cpp|  #  include <tools/dump/dump_command.h>|fail"
  "relative|src/app/run.cpp|#include \"../tools/view/view_page.h\"|fail"
  "allowed|src/tools/text/cp1252.cpp|#include \"model/form1.h\"|pass"
  "comment|src/model/notes.h|// tools/ are built on top of this library|pass")
set(failures "")
foreach(case ${cases})
  string(REPLACE "|" ";" fields "${case}")
  list(GET fields 0 name)
  list(GET fields 1 file)
  list(GET fields 2 line)
  list(GET fields 3 expected)
  set(tree "${WORK}/${name}")
  file(REMOVE_RECURSE "${tree}")
  file(WRITE "${tree}/src/model/model.cpp" "#include \"model/form1.h\"\n")
  file(WRITE "${tree}/${file}" "// a file of the tree\n${line}\n")
  execute_process(COMMAND "${CMAKE_COMMAND}" "-DSOURCE_DIR=${tree}" "-DSTAMP=${tree}/stamp" -P "${RULE}"
                  RESULT_VARIABLE status ERROR_VARIABLE report OUTPUT_QUIET)
  if(expected STREQUAL "fail")
    if(status EQUAL 0 OR EXISTS "${tree}/stamp")
      list(APPEND failures "${name}: the rule let ${file} through")
    elseif(NOT report MATCHES "${file}")
      list(APPEND failures "${name}: the report does not name ${file}:\n${report}")
    endif()
  elseif(NOT status EQUAL 0 OR NOT EXISTS "${tree}/stamp")
    list(APPEND failures "${name}: the rule refused a sound tree:\n${report}")
  endif()
endforeach()
if(failures)
  list(JOIN failures "\n" text)
  message(FATAL_ERROR "${text}")
endif()
list(LENGTH cases count)
message(STATUS "include rule: ${count} trees, each as expected")
