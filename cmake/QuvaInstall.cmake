# Installation lays out an add-on tree, the same shape as the build tree:
#
#   bin/quva                  the headless host command
#   lib/libquvahost.so        the host runtime it and the modules link against
#   Modules/NAME.so           the six vessel modules, nothing else
#
# (on Windows: bin/quva.exe with bin/libquvahost.dll and the compiler's runtime libraries beside
# it, lib/libquvahost.dll.a, Modules/NAME.dll)
#   Config/Vessels/, Config/Moon/Base/, Meshes/Quva/, Scenarios/Quva/   the data the modules and
#                             examples need (class configurations, quva's own landing field)
#
# quva takes the parent of its own binary's folder as the tree, and every binary finds the
# runtime through $ORIGIN/../lib, so an installed (or unpacked) tree runs from wherever it lies.
# CPack packs the same tree into a .tar.gz.
#
# Included at the end of the top-level list file, once every subsystem (and the tests, whose probe
# modules take themselves off the module list) has declared its modules.

# Without an explicit prefix, install into the build folder rather than /usr/local: an add-on
# tree belongs in the simulator's folder, not among the system's programs.
if(CMAKE_INSTALL_PREFIX_INITIALIZED_TO_DEFAULT)
  set(CMAKE_INSTALL_PREFIX ${CMAKE_BINARY_DIR}/install CACHE PATH "Where to lay out the add-on tree" FORCE)
endif()

install(TARGETS quva RUNTIME DESTINATION bin)
if(WIN32)
  # Windows finds a program's libraries next to it: the runtime and the compiler's C++ libraries
  # go into bin/ (see QUVA_MINGW_RUNTIME), the import library the modules link against into lib/.
  install(TARGETS quvahost RUNTIME DESTINATION bin ARCHIVE DESTINATION lib)
  install(FILES ${QUVA_MINGW_RUNTIME} DESTINATION bin)
else()
  install(TARGETS quvahost LIBRARY DESTINATION lib)
endif()

get_property(quva_installed_modules GLOBAL PROPERTY QUVA_MODULES)
install(TARGETS ${quva_installed_modules} LIBRARY DESTINATION Modules)

install(DIRECTORY ${CMAKE_SOURCE_DIR}/data/Config/Vessels DESTINATION Config)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/data/Config/Moon DESTINATION Config)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/data/Meshes/Quva DESTINATION Meshes)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/data/Scenarios/Quva DESTINATION Scenarios)

set(CPACK_GENERATOR TGZ)
set(CPACK_PACKAGE_NAME quva)
set(CPACK_PACKAGE_VENDOR "Quva")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Six vessel modules and a headless host that runs them")
set(CPACK_PACKAGE_FILE_NAME "quva-${PROJECT_VERSION}-${CMAKE_SYSTEM_NAME}-${CMAKE_SYSTEM_PROCESSOR}")
# The archive unpacks into one folder named like the archive, holding the add-on tree.
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
set(CPACK_SOURCE_GENERATOR TGZ)
set(CPACK_SOURCE_IGNORE_FILES "/build/" "/\\\\.git/")
include(CPack)
