#include "log/shared_mutex.h"

#include "codepage/code_page.h"
#include "common/exceptions.h"
#include "common/format_text.h"
#include "common/text.h"
#include "platform/system_error.h"

namespace kvr::log {

std::unique_ptr<platform::NamedMutex> CreateSharedMutex(std::string_view name,
                                                        bool fail_when_missing,
                                                        std::string_view error_format) {
  // Lock files are created so that every local account may open them: the stand-in for the
  // null DACL of the original security descriptor.
  std::string global_name = "Global\\";
  global_name += name;
  auto mutex = platform::NamedMutex::Open(global_name);
  if (!mutex) mutex = platform::NamedMutex::Open(name);
  if (!mutex && fail_when_missing)
    throw Exception(Format(error_format, {platform::SysErrorMessage(platform::GetLastError())}));
  return mutex;
}

std::string_view MutexCreateErrorFormat() {
  using namespace kvr::literals;
  return "Ошибка при создании объекта \"мьютекс\": %s"_w;
}

void ReplaceNameUnsafeChars(std::string& name) {
  for (char& c : name) {
    switch (c) {
      case '"':
      case '*':
      case '/':
      case ':':
      case '<':
      case '>':
      case '?':
      case '\\':
      case '|': c = '_'; break;
      default: break;
    }
  }
}

std::string LogFileMutexName(std::string_view file_name) {
  std::string name = codepage::AnsiLowerCase(file_name);
  ReplaceNameUnsafeChars(name);
  return name;
}

}  // namespace kvr::log
