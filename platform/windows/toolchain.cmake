# Cross-compiles for 64-bit Windows with Debian's mingw-w64, against the SDL and FreeType that
# scripts/build-windows built into ZORVANEL_WINDOWS_PREFIX.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-win32)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-win32)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# The C++ runtime goes into the exe, so the zip needs no DLL of the compiler's.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")
if(ZORVANEL_WINDOWS_PREFIX)
    set(CMAKE_FIND_ROOT_PATH ${ZORVANEL_WINDOWS_PREFIX})
    set(ENV{PKG_CONFIG_LIBDIR} ${ZORVANEL_WINDOWS_PREFIX}/lib/pkgconfig)
endif()
