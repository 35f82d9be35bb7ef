# quva_add_module(NAME SOURCES src... [DEFINITIONS def...] [EXPORTS sym...] [OWN_ENTRY])
#
# Builds one vessel module: a shared library NAME.so (Linux) or NAME.dll (Windows) in the Modules
# folder, C++17 and the standard library only, linked against the host runtime alone. It exports
# ovcInit, ovcExit and the EXPORTS given, nothing else: on Linux every symbol is hidden and a linker
# version script makes the list exact; on Windows only the functions the sources declare with
# DLLCLBK are exported, which are the same.
#
# OWN_ENTRY: the module carries the frame's module-support code with its own load/unload entry.
# The function adds that code itself, the Linux stand-in for the loader's entry call as the very
# last source (see quva_module_entry_sources), and the loader library it uses. Without it a
# Windows module gets the platform's default entry, which only switches off the thread notices.
function(quva_add_module name)
  cmake_parse_arguments(M "OWN_ENTRY" "" "SOURCES;DEFINITIONS;EXPORTS" ${ARGN})
  set(sources ${M_SOURCES})
  if(M_OWN_ENTRY)
    quva_module_entry_sources(entry_sources)
    list(APPEND sources ${entry_sources})
  endif()
  add_library(${name} MODULE ${sources})
  if(M_OWN_ENTRY)
    target_link_libraries(${name} PRIVATE ${CMAKE_DL_LIBS})
    # Sources added to the target later would be linked after the entry: refuse them once the
    # folder that made the module is read to its end.
    # (A deferred call reads its arguments when it runs, so the name is written into it now.)
    cmake_language(EVAL CODE "cmake_language(DEFER CALL quva_check_entry_last [[${name}]])")
  endif()
  target_link_libraries(${name} PRIVATE quva_frame quvahost)
  target_compile_definitions(${name} PRIVATE ${M_DEFINITIONS})
  set_target_properties(${name} PROPERTIES
    PREFIX ""
    LIBRARY_OUTPUT_DIRECTORY ${QUVA_MODULE_DIR}
    CXX_STANDARD 17
    CXX_STANDARD_REQUIRED ON
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)
  set(exports ovcInit ovcExit ${M_EXPORTS})
  if(WIN32)
    if(NOT M_OWN_ENTRY)
      target_sources(${name} PRIVATE ${PROJECT_SOURCE_DIR}/frame/platform/default_entry_windows.cpp)
    endif()
    # Only what the sources mark for export (DLLCLBK) is exported, never anything by default. The
    # C and C++ runtime support is linked in, so that the module needs no library but the host's
    # and the system's.
    target_link_options(${name} PRIVATE -Wl,--exclude-all-symbols -static)
    set_target_properties(${name} PROPERTIES SUFFIX ".dll")
  else()
    list(JOIN exports "; " export_list)
    set(script ${CMAKE_CURRENT_BINARY_DIR}/${name}.exports)
    file(WRITE ${script} "{\n  global: ${export_list};\n  local: *;\n};\n")
    target_link_options(${name} PRIVATE -Wl,--version-script=${script} -Wl,--no-undefined)
    set_property(TARGET ${name} APPEND PROPERTY LINK_DEPENDS ${script})
    set_target_properties(${name} PROPERTIES
      SUFFIX ".so"
      BUILD_RPATH "\$ORIGIN/../lib"
      INSTALL_RPATH "\$ORIGIN/../lib")
  endif()
  quva_warnings(${name})
  set_property(GLOBAL APPEND PROPERTY QUVA_MODULES ${name})
endfunction()

# quva_module_entry_sources(VAR): the module-support sources of a module with its own entry, in
# link order. The Linux entry must be the last object linked: it introduces the module to the
# host from its static initialiser, which has to run after those of every other source, and GNU
# ld orders the initialisers (.init_array) by link order. The tests check the built modules.
function(quva_module_entry_sources var)
  set(${var}
    ${PROJECT_SOURCE_DIR}/frame/module_support.cpp
    ${QUVA_MODULE_ENTRY_SOURCE}
    PARENT_SCOPE)
endfunction()
set(QUVA_MODULE_ENTRY_SOURCE ${PROJECT_SOURCE_DIR}/frame/platform/module_entry_linux.cpp)

function(quva_check_entry_last name)
  get_target_property(sources ${name} SOURCES)
  list(GET sources -1 last)
  if(NOT last STREQUAL QUVA_MODULE_ENTRY_SOURCE)
    message(FATAL_ERROR "Module ${name}: ${QUVA_MODULE_ENTRY_SOURCE} must be its last source, but ${last} comes after it")
  endif()
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
