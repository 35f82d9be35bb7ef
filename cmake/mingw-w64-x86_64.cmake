# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (the POSIX-threads variant, whose
# C++ library has std::thread and friends). The binaries run under Wine: tests and other programs
# that CMake runs for the target go through cmake/wine-run.sh.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QUVA_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QUVA_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUVA_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${QUVA_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QUVA_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)
