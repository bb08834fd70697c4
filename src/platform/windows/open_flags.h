// The open flags this port puts in FileOpenCall::flags: CreateFileW's disposition in the low
// byte, and the access, sharing and behaviour bits above it.
#pragma once

#include "platform/windows/win32.h"

namespace kvr::platform {

constexpr int kDispositionMask = 0xFF;  // CREATE_NEW .. TRUNCATE_EXISTING
constexpr int kOpenRead = 1 << 8;
constexpr int kOpenWrite = 1 << 9;
constexpr int kShareAll = 1 << 10;       // others may read, write and delete meanwhile
constexpr int kOpenNoReparse = 1 << 11;  // a link under the name is opened, not followed
constexpr int kOpenWriteThrough = 1 << 12;

constexpr int OpenFlags(DWORD disposition, int bits) {
  return static_cast<int>(disposition) | bits;
}

}  // namespace kvr::platform
