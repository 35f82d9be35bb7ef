# quva_add_module(NAME SOURCES src... [DEFINITIONS def...] [EXPORTS sym...])
#
# Builds one vessel module: a shared library named NAME.so in the Modules folder, C++17 and the
# standard library only, linked against the host runtime alone. Every symbol is hidden except
# ovcInit, ovcExit and the EXPORTS given; a linker version script makes that list exact.
function(quva_add_module name)
  cmake_parse_arguments(M "" "" "SOURCES;DEFINITIONS;EXPORTS" ${ARGN})
  add_library(${name} MODULE ${M_SOURCES})
  target_link_libraries(${name} PRIVATE quva_frame quvahost)
  target_compile_definitions(${name} PRIVATE ${M_DEFINITIONS})
  set_target_properties(${name} PROPERTIES
    PREFIX ""
    SUFFIX ".so"
    LIBRARY_OUTPUT_DIRECTORY ${QUVA_MODULE_DIR}
    CXX_STANDARD 17
    CXX_STANDARD_REQUIRED ON
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON
    BUILD_RPATH "\$ORIGIN/../lib"
    INSTALL_RPATH "\$ORIGIN/../lib")
  set(exports ovcInit ovcExit ${M_EXPORTS})
  list(JOIN exports "; " export_list)
  set(script ${CMAKE_CURRENT_BINARY_DIR}/${name}.exports)
  file(WRITE ${script} "{\n  global: ${export_list};\n  local: *;\n};\n")
  target_link_options(${name} PRIVATE -Wl,--version-script=${script} -Wl,--no-undefined)
  set_property(TARGET ${name} APPEND PROPERTY LINK_DEPENDS ${script})
  quva_warnings(${name})
  set_property(GLOBAL APPEND PROPERTY QUVA_MODULES ${name})
endfunction()

# quva_add_test_module(NAME ...): a module built for the tests only, into the same Modules
# folder. It is no deliverable: it stays out of the module list (and so out of any install), and
# the test binary depends on it through the target quva_test_modules.
function(quva_add_test_module name)
  quva_add_module(${name} ${ARGN})
  set_target_properties(${name} PROPERTIES EXCLUDE_FROM_ALL ON)
  get_property(modules GLOBAL PROPERTY QUVA_MODULES)
  list(REMOVE_ITEM modules ${name})
  set_property(GLOBAL PROPERTY QUVA_MODULES ${modules})
  if(NOT TARGET quva_test_modules)
    add_custom_target(quva_test_modules)
  endif()
  add_dependencies(quva_test_modules ${name})
endfunction()
