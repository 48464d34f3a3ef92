# 32-bit Windows target built with Debian's mingw-w64 (posix-thread variants: GoogleTest needs std::mutex).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# The type library of a 32-bit build (SYS_WIN32), and where the platform's stdole2.tlb is.
set(WENDRAX1_WIDL i686-w64-mingw32-widl)
set(WENDRAX1_SYSKIND --win32)
set(WINE_TLB_DIR /usr/lib/i386-linux-gnu/wine/i386-windows CACHE PATH "stdole2.tlb")
# Programs built here run through Wine, inside the build's private prefix.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tools/wine-run)
