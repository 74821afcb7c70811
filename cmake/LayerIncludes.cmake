# Layer rules for includes. Every library folder names the folders its code may include from;
# a build step reads the folder's sources whenever one changes and fails the build on an include
# of a project header outside them, so an include that climbs a layer (storage including the
# cursor) or skips one (a control including the engine instead of the dataset) never compiles in.

# sklad_layer_includes(TARGET <library> MAY_INCLUDE <folders...>)
# The target's own folder (its CMakeLists.txt's folder) is always allowed.
function(sklad_layer_includes)
  cmake_parse_arguments(L "" "TARGET" "MAY_INCLUDE" ${ARGN})
  file(RELATIVE_PATH own ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  set(stamp ${CMAKE_CURRENT_BINARY_DIR}/${L_TARGET}.layer-includes)
  string(REPLACE ";" "," allowed "${own};${L_MAY_INCLUDE}")
  add_custom_command(
    OUTPUT ${stamp}
    COMMAND ${CMAKE_COMMAND} -DROOT=${PROJECT_SOURCE_DIR} -DOWN=${own} "-DALLOWED=${allowed}"
            -DSTAMP=${stamp} -P ${PROJECT_SOURCE_DIR}/cmake/CheckLayerIncludes.cmake
    DEPENDS ${sources} ${PROJECT_SOURCE_DIR}/cmake/CheckLayerIncludes.cmake
    COMMENT "Checking the includes of ${own}"
    VERBATIM)
  add_custom_target(${L_TARGET}_layer_includes DEPENDS ${stamp})
  add_dependencies(${L_TARGET} ${L_TARGET}_layer_includes)
endfunction()
