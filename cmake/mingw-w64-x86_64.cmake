# Toolchain for the Windows build: 64-bit x86 MinGW-w64 on Debian, the posix
# threads variant (std::thread, std::mutex), with the C and C++ runtimes
# linked in so the .exe needs no MinGW DLLs beside it.
#
#   cmake -S . -B build-win \
#     -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
#     -DRONDIVO_WXMSW_PREFIX=$HOME/.cache/rondivo/wxmsw-<version>-r<n>
#
# RONDIVO_WXMSW_PREFIX is the static wxMSW that scripts/setup-windows builds
# (it prints the path). Without it, the environment variable of the same name
# is used, then the newest finished build in the cache folder.
# find_package(wxWidgets) then finds that prefix's wx-config, never the Linux
# one in /usr/bin.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(RONDIVO_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${RONDIVO_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${RONDIVO_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${RONDIVO_MINGW_TRIPLE}-windres)
# The compiler names end in -posix, which hides the triple from CMake's
# search for the matching binutils: name them.
set(CMAKE_AR ${RONDIVO_MINGW_TRIPLE}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${RONDIVO_MINGW_TRIPLE}-ranlib CACHE FILEPATH "")
set(CMAKE_OBJDUMP ${RONDIVO_MINGW_TRIPLE}-objdump CACHE FILEPATH "")
set(CMAKE_STRIP ${RONDIVO_MINGW_TRIPLE}-strip CACHE FILEPATH "")

if(NOT RONDIVO_WXMSW_PREFIX AND DEFINED ENV{RONDIVO_WXMSW_PREFIX})
  set(RONDIVO_WXMSW_PREFIX "$ENV{RONDIVO_WXMSW_PREFIX}")
endif()
if(NOT RONDIVO_WXMSW_PREFIX)
  if(DEFINED ENV{RONDIVO_CACHE})
    set(_rondivo_cache "$ENV{RONDIVO_CACHE}")
  else()
    set(_rondivo_cache "$ENV{HOME}/.cache/rondivo")
  endif()
  file(GLOB _rondivo_stamps "${_rondivo_cache}/wxmsw-*/.rondivo-complete")
  if(_rondivo_stamps)
    list(SORT _rondivo_stamps COMPARE NATURAL ORDER DESCENDING)
    list(GET _rondivo_stamps 0 _rondivo_newest)
    get_filename_component(RONDIVO_WXMSW_PREFIX "${_rondivo_newest}" DIRECTORY)
  endif()
endif()
set(RONDIVO_WXMSW_PREFIX "${RONDIVO_WXMSW_PREFIX}" CACHE PATH
    "static wxMSW prefix built by scripts/setup-windows")
# try_compile projects re-read this file without the cache.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES RONDIVO_WXMSW_PREFIX)

set(CMAKE_FIND_ROOT_PATH /usr/${RONDIVO_MINGW_TRIPLE})
if(RONDIVO_WXMSW_PREFIX)
  list(APPEND CMAKE_FIND_ROOT_PATH "${RONDIVO_WXMSW_PREFIX}")
  set(wxWidgets_CONFIG_EXECUTABLE "${RONDIVO_WXMSW_PREFIX}/bin/wx-config"
      CACHE FILEPATH "wx-config of the static wxMSW")
endif()
# Build tools run on Linux; headers, libraries and packages come from the
# Windows side only.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# -static also pulls in winpthreads, which -static-libgcc alone would leave
# as libwinpthread-1.dll.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# ctest and gtest_discover_tests run the test programs through Wine.
if(EXISTS "${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-env")
  get_filename_component(_rondivo_wine_env "${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-env" ABSOLUTE)
  set(CMAKE_CROSSCOMPILING_EMULATOR "${_rondivo_wine_env}")
endif()
