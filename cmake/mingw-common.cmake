# Shared part of the mingw-w64 toolchain files: Debian's cross compilers in
# their posix thread variant (the win32 variant has no std::mutex), static
# linking so that packsmith.exe needs nothing beside the system's DLLs, and
# the cross prefix searched for libraries and pkg-config files.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${PACKSMITH_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${PACKSMITH_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${PACKSMITH_MINGW_TRIPLE}-windres)
# Where scripts/build-windows.sh installs the cross-built minizip.
if(NOT PACKSMITH_WINDOWS_PREFIX)
  set(PACKSMITH_WINDOWS_PREFIX ${CMAKE_CURRENT_LIST_DIR}/../build-windows-deps/${PACKSMITH_MINGW_TRIPLE})
endif()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES PACKSMITH_WINDOWS_PREFIX)
set(CMAKE_FIND_ROOT_PATH /usr/${PACKSMITH_MINGW_TRIPLE} ${PACKSMITH_WINDOWS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# pkg-config looks only in the cross prefix and in the folder where the
# minizip wrapper installs its minizip.pc.
set(ENV{PKG_CONFIG_LIBDIR} "${PACKSMITH_WINDOWS_PREFIX}/lib/pkgconfig:/usr/${PACKSMITH_MINGW_TRIPLE}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
set(ENV{PKG_CONFIG_SYSROOT_DIR} "")

# Cross-built tests run under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tests/wine/run.sh)
