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
  auto mutex = platform::NamedMutex::OpenMachineWide(name);
  if (!mutex && fail_when_missing)
    throw Exception(Format(error_format, {platform::SysErrorMessage(platform::GetLastError())}));
  return mutex;
}

std::string_view MutexCreateErrorFormat() {
  using namespace kvr::literals;
  return "Ошибка при создании объекта \"мьютекс\": %s"_w;
}

std::string LogFileMutexName(std::string_view file_name) {
  std::string name = codepage::AnsiLowerCase(file_name);
  platform::MakeMutexNameSafe(name);
  return name;
}

}  // namespace kvr::log
