# 64-bit Windows target built with Debian's mingw-w64 (posix-thread variants: GoogleTest needs std::mutex).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# The type library of a 64-bit build (SYS_WIN64), and where the platform's stdole2.tlb is.
set(WENDRAX1_WIDL x86_64-w64-mingw32-widl)
set(WENDRAX1_SYSKIND --win64)
set(WINE_TLB_DIR /usr/lib/x86_64-linux-gnu/wine/x86_64-windows CACHE PATH "stdole2.tlb")
# Programs built here run through Wine's 64-bit loader, inside the 64-bit prefix.
set(CMAKE_CROSSCOMPILING_EMULATOR env WENDRAX1_ARCH=x64 ${CMAKE_CURRENT_LIST_DIR}/../tools/wine-run)
