#include "platform/clock.h"

#include <cmath>
#include <vector>

#include "platform/windows/handle.h"
#include "platform/windows/win32.h"

namespace kvr::platform {

std::uint32_t TickCount() { return ::GetTickCount(); }

TDateTime Now() {
  SYSTEMTIME t{};
  ::GetLocalTime(&t);
  return EncodeDateTime(t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds);
}

TDateTime Today() { return std::floor(Now()); }

// Windows accounts have no number: the last part of the account's SID (its relative id) tells
// the accounts of one machine apart, which is what the callers (per-account file names) need.
std::uint32_t CurrentUserId() {
  HANDLE token = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return 0;
  ScopedHandle owner(token);
  DWORD size = 0;
  ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  std::vector<unsigned char> buffer(size ? size : 1);
  if (!::GetTokenInformation(token, TokenUser, buffer.data(), size, &size)) return 0;
  PSID sid = reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
  const UCHAR parts = *::GetSidSubAuthorityCount(sid);
  return parts ? static_cast<std::uint32_t>(*::GetSidSubAuthority(sid, parts - 1u)) : 0;
}

std::uint32_t CurrentProcessId() { return ::GetCurrentProcessId(); }
std::uint32_t CurrentThreadId() { return ::GetCurrentThreadId(); }

void SleepMs(std::uint32_t ms) { ::Sleep(ms); }

}  // namespace kvr::platform
