# Cross build for 32-bit Windows (the host programs of the stations are 32-bit). It compiles and
# its export table is checked; 32-bit programs cannot run on the build machines.
set(KVR_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
