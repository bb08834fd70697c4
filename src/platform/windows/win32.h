// <windows.h> for this port's own files. Its A/W macros (DeleteFile, GetEnvironmentVariable,
// SetEnvironmentVariable, ...) would rename the platform's functions of the same names, so they
// are taken back here; the system's functions are called by their W names.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#undef DeleteFile
#undef GetEnvironmentVariable
#undef SetEnvironmentVariable
#undef MoveFile
#undef CreateFile
#undef CreateMutex
#undef LoadLibrary
#undef GetTempPath
#undef MessageBox
