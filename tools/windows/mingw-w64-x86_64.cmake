# Cross compilation for 64-bit Windows with Debian's MinGW-w64 compilers, the
# "posix" thread model (std::thread and std::mutex need it). Used both for the
# static Qt that tools/windows-qt.sh builds and for Quillmark itself.
#
# QUILLMARK_WINDOWS_QT (a cache variable, or the environment variable of that
# name) is the prefix of that Qt: it joins the search roots, so that
# find_package(Qt6) finds it and nothing of the host's Qt but its tools.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triple}-g++-posix)
set(CMAKE_RC_COMPILER ${triple}-windres)

# Every program static, so that it runs alone: Qt's -static-runtime reaches
# only Qt's own programs, and without this each of ours would need
# libgcc_s_seh-1.dll and libstdc++-6.dll beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)

if(NOT QUILLMARK_WINDOWS_QT AND DEFINED ENV{QUILLMARK_WINDOWS_QT})
    set(QUILLMARK_WINDOWS_QT $ENV{QUILLMARK_WINDOWS_QT})
endif()
# try_compile projects see the toolchain file again, without the cache.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES QUILLMARK_WINDOWS_QT)

set(CMAKE_FIND_ROOT_PATH /usr/${triple})
if(QUILLMARK_WINDOWS_QT)
    list(APPEND CMAKE_FIND_ROOT_PATH ${QUILLMARK_WINDOWS_QT})
    list(APPEND CMAKE_PREFIX_PATH ${QUILLMARK_WINDOWS_QT})
endif()
# Programs run at build time come from the host; libraries, headers and CMake
# packages only from the Windows side.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
