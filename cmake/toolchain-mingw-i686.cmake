# Cross build for i686 Windows with Debian's mingw-w64. Pass
# -DPACKSMITH_WINDOWS_PREFIX=<folder> to use a minizip installed elsewhere.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(PACKSMITH_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
