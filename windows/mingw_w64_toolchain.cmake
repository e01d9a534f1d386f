# Cross-compiling for 64-bit Windows with the MinGW-w64 tools of a Debian
# host. The POSIX thread model gives the standard library its std::mutex
# (GoogleTest needs it); winpthread is linked statically with the rest.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(GRIDLET_MINGW_PREFIX x86_64-w64-mingw32)

find_program(CMAKE_C_COMPILER NAMES ${GRIDLET_MINGW_PREFIX}-gcc-posix REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${GRIDLET_MINGW_PREFIX}-g++-posix REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${GRIDLET_MINGW_PREFIX}-windres REQUIRED)
find_program(GRIDLET_WIDL NAMES ${GRIDLET_MINGW_PREFIX}-widl widl REQUIRED)

set(CMAKE_FIND_ROOT_PATH /usr/${GRIDLET_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
