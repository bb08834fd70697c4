# What both mingw-w64 toolchain files share; KVR_MINGW_TRIPLE names the target.
set(CMAKE_SYSTEM_NAME Windows)
string(REGEX MATCH "^[^-]+" CMAKE_SYSTEM_PROCESSOR ${KVR_MINGW_TRIPLE})
set(CMAKE_C_COMPILER ${KVR_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KVR_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${KVR_MINGW_TRIPLE}-windres)
set(CMAKE_OBJDUMP ${KVR_MINGW_TRIPLE}-objdump)
# Libraries and packages (GoogleTest built for the target) come from the target's own roots;
# programs (the build's tools) from the build machine.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${KVR_MINGW_TRIPLE} ${KVR_WINDOWS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
