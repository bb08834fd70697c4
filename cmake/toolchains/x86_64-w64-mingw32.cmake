# Cross build for 64-bit Windows with Debian's mingw-w64 (the -posix compilers: std::thread and
# std::mutex need their threading model). Programs run under Wine through
# CMAKE_CROSSCOMPILING_EMULATOR, which scripts/test-windows.sh sets.
set(KVR_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
