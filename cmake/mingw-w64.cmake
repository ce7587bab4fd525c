# Cross-build for Windows with Debian's mingw-w64, posix thread model (so
# <mutex> and <thread> are available; winpthreads is linked statically).
# ZEB_WIN_ARCH picks the processor: x86_64 (the default: the Wine of our build
# machines runs only 64-bit programs, their kernels run no 32-bit code) or
# i686 (a 32-bit Zeb for 32-bit Windows).
if(NOT ZEB_WIN_ARCH)
  set(ZEB_WIN_ARCH x86_64)
endif()
set(ZEB_WIN_ARCH ${ZEB_WIN_ARCH} CACHE STRING "x86_64 or i686")
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${ZEB_WIN_ARCH})
set(triple ${ZEB_WIN_ARCH}-w64-mingw32)
set(CMAKE_C_COMPILER ${triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triple}-g++-posix)
set(CMAKE_RC_COMPILER ${triple}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
