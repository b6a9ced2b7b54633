# Cross-build for 64-bit Windows with mingw-w64 (Debian: g++-mingw-w64-x86-64-posix).
# The posix thread model is the one whose libstdc++ has std::thread and
# std::mutex. Executables link statically, so that they run under wine and on
# a bare Windows without the compiler's DLLs beside them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VARNOLT_MINGW_PREFIX x86_64-w64-mingw32)
find_program(CMAKE_CXX_COMPILER NAMES ${VARNOLT_MINGW_PREFIX}-g++-posix ${VARNOLT_MINGW_PREFIX}-g++ REQUIRED)
find_program(CMAKE_C_COMPILER NAMES ${VARNOLT_MINGW_PREFIX}-gcc-posix ${VARNOLT_MINGW_PREFIX}-gcc REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${VARNOLT_MINGW_PREFIX}-windres)

# Headers and libraries come from the mingw sysroot and from prefixes given in
# CMAKE_FIND_ROOT_PATH (such as the cross-built GoogleTest); programs from the host.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${VARNOLT_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test executables run under wine when no Windows is at hand.
if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
  find_program(VARNOLT_WINE NAMES wine wine64)
  if(VARNOLT_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${VARNOLT_WINE})
  endif()
endif()
