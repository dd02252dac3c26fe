# Cross build for x86_64 Windows with Debian's mingw-w64. Pass
# -DPACKSMITH_WINDOWS_PREFIX=<folder> to use a minizip installed elsewhere.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(PACKSMITH_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
