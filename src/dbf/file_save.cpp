#include "dbf/file_save.h"

#include <atomic>
#include <cstdint>

#include "common/exceptions.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/new_file.h"
#include "platform/paths.h"
#include "platform/system_error.h"

namespace kvr {
namespace {

constexpr std::string_view kTemporarySuffix = ".tmp";
// Names left by a process that died with the same pid are skipped, not reused.
constexpr int kNameAttempts = 64;

std::atomic<std::uint32_t> g_save_counter{0};

std::string TemporaryName(std::string_view path) {
  std::string name(path);
  name += '.';
  name += std::to_string(platform::CurrentProcessId());
  name += '-';
  name += std::to_string(++g_save_counter);
  name += kTemporarySuffix;
  return name;
}

std::string Quoted(std::string_view path) { return "\"" + platform::MapPath(path) + "\". "; }

// Removes the temporary file and raises the failure with the system's text for `code`.
[[noreturn]] void Fail(const std::string& temporary, std::string message, std::uint32_t code) {
  if (!temporary.empty()) platform::DeleteFile(temporary);
  platform::SetLastError(code);
  throw EFCreateError(message + platform::SysErrorMessage(code));
}

}  // namespace

bool IsTemporarySaveName(std::string_view file_name) {
  if (file_name.size() < kTemporarySuffix.size()) return false;
  if (file_name.substr(file_name.size() - kTemporarySuffix.size()) != kTemporarySuffix)
    return false;
  std::string_view stem = file_name.substr(0, file_name.size() - kTemporarySuffix.size());
  const std::size_t dash = stem.rfind('-');
  const std::size_t dot = stem.rfind('.', dash);
  if (dash == std::string_view::npos || dot == std::string_view::npos || dot + 1 >= dash ||
      dash + 1 >= stem.size())
    return false;
  auto digits = [](std::string_view s) {
    return s.find_first_not_of("0123456789") == std::string_view::npos;
  };
  return digits(stem.substr(dot + 1, dash - dot - 1)) && digits(stem.substr(dash + 1));
}

// Tries temporary names until one is created or the creation fails for another reason.
bool CreateTemporaryFile(std::string_view path, platform::NewFile& file, std::string& temporary) {
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    temporary = TemporaryName(path);
    if (file.Create(temporary)) return true;
    if (platform::GetLastError() != platform::kErrorFileExists) break;
  }
  temporary.clear();
  return false;
}

void CompleteSave(platform::NewFile& file, const std::string& temporary, std::string_view path,
                  bool written) {
  if (!written || !file.Sync() || !file.Close()) {
    const std::uint32_t code = platform::GetLastError();
    file.Close();  // Windows deletes no file that is still open
    Fail(temporary, "Cannot write file " + Quoted(path), code);
  }
  if (!platform::ReplaceFileByRename(temporary, path))
    Fail(temporary,
         "Cannot rename file \"" + platform::MapPath(temporary) + "\" to " + Quoted(path),
         platform::GetLastError());
}

void SaveFileWhole(std::string_view path, std::span<const std::string_view> pieces) {
  platform::NewFile file;
  std::string temporary;
  if (!CreateTemporaryFile(path, file, temporary))
    Fail("", "Cannot create file " + Quoted(path), platform::GetLastError());
  CompleteSave(file, temporary, path, file.Write(pieces));
}

}  // namespace kvr
