# qx_art(NAME SCRIPT script.py OUTPUTS file ...): runs a drawing script of tools/artgen at build time;
# the script writes the named files into the current build folder (its first argument), where the
# resource compiler finds them. The pictures are never stored in the source tree.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
function(qx_art name)
  cmake_parse_arguments(A "" "SCRIPT" "OUTPUTS" ${ARGN})
  set(outputs)
  foreach(o ${A_OUTPUTS})
    list(APPEND outputs ${CMAKE_CURRENT_BINARY_DIR}/${o})
  endforeach()
  add_custom_command(OUTPUT ${outputs}
    COMMAND ${CMAKE_COMMAND} -E env PYTHONPATH=${PROJECT_SOURCE_DIR}/tools/artgen
            ${Python3_EXECUTABLE} ${A_SCRIPT} ${CMAKE_CURRENT_BINARY_DIR}
    DEPENDS ${A_SCRIPT} ${PROJECT_SOURCE_DIR}/tools/artgen/artgen.py
    COMMENT "Drawing ${A_OUTPUTS}")
  add_custom_target(${name} DEPENDS ${outputs})
endfunction()
