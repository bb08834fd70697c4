#include "library_session.h"

#include <chrono>
#include <string>

#include "common/text.h"
#include "host_answers.h"
#include "platform/code_page.h"
#include "platform/environment.h"
#include "platform/process_environment.h"
#include "platform/file_system.h"
#include "platform/paths.h"
#include "platform/shared_library.h"
#include "spinner.h"

namespace kvr::host {
namespace {

using namespace kvr::literals;

constexpr const char* kLibraryFileName = "libKVRExportCreator9.so";

struct CallResult {
  bool result = false;
  std::string text;  // Windows-1251
  long long elapsed_ms = 0;
};

// Owns the host's text variable as the interface asks: malloc'd by the library, freed here.
class HostTextVariable {
 public:
  ~HostTextVariable() { std::free(value_); }
  char** Slot() { return &value_; }
  std::string Text() const { return value_ ? value_ : ""; }

 private:
  char* value_ = nullptr;
};

CallResult Call(kvr_get_reports_fn get_reports, char code, const std::vector<HostParam>& params,
                const std::string& label) {
  kvr_variant array = BuildParamsArray(params);
  HostTextVariable text;
  CallResult call;
  const auto start = std::chrono::steady_clock::now();
  {
    Spinner spinner(label);
    call.result = get_reports(code, array, text.Slot()) != 0;
  }
  call.elapsed_ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - start).count();
  kvr_variant_clear(&array);
  call.text = text.Text();
  return call;
}

std::string DescribeCall(char code, const std::vector<HostParam>& params) {
  std::string s(1, code);
  s += " [";
  for (std::size_t i = 0; i < params.size(); ++i) s += (i ? ", " : "") + Describe(params[i]);
  return s + "]";
}

void Print(std::ostream& out, const std::string& what, const CallResult& call) {
  out << what << "\n"
      << "result: " << (call.result ? "true" : "false") << "\n"
      << "text: " << platform::Cp1251ToUtf8(call.text) << "\n"
      << "elapsed: " << call.elapsed_ms << " ms\n";
}

bool IsControlCall(char code, const std::vector<HostParam>& params) {
  return code == '#' && !params.empty() && params[0].kind == HostParam::Kind::kInteger &&
         params[0].integer == 1000;
}

// A control command answers false with an empty text; a report answers true, and an error
// text starts with "Ошибка".
bool Succeeded(char code, const std::vector<HostParam>& params, const CallResult& call) {
  if (IsControlCall(code, params)) return call.text.empty();
  return call.result && !std::string_view(call.text).starts_with("Ошибка"_w);
}

}  // namespace

std::string DefaultLibraryPath() {
  if (auto configured = platform::GetEnvironmentVariable("KVR_LIBRARY"); configured && !configured->empty())
    return *configured;
  std::string here = platform::ExtractFilePath(platform::HostExecutablePath());
  for (std::string candidate : {here + "../lib/" + kLibraryFileName, here + kLibraryFileName})
    if (platform::FileExists(candidate)) return candidate;
  return kLibraryFileName;
}

int RunSession(const Invocation& inv, std::ostream& out, std::ostream& err) {
  const HostSettings& settings = inv.settings;
  if (!settings.root.empty()) platform::SetEnvironmentVariable("KVR_ROOT", settings.root);
  const std::string path = settings.library.empty() ? DefaultLibraryPath() : settings.library;
  std::string error;
  auto library = platform::SharedLibrary::Open(path, &error);
  if (!library) {
    err << "kvrhost: cannot load " << path << ": " << error << "\n";
    return 2;
  }
  auto init = reinterpret_cast<kvr_init_reports_fn>(library->Symbol("InitReports"));
  auto get_reports = reinterpret_cast<kvr_get_reports_fn>(library->Symbol("GetReportsInStringEx"));
  if (!init || !get_reports) {
    err << "kvrhost: " << path << " does not export InitReports and GetReportsInStringEx\n";
    return 2;
  }
  out << "library: " << path << "\n";

  UseHostSettings(settings);
  if (inv.init) init(nullptr, &HostCallback, nullptr);

  bool ok = true;
  if (settings.control) {
    std::vector<HostParam> params{ParseParam("1000")};
    for (const std::string& element : *settings.control) params.push_back(ParseParam(element));
    CallResult call = Call(get_reports, '#', params, "control command 1000");
    Print(out, "control: " + DescribeCall('#', params), call);
    ok = Succeeded('#', params, call);
  }
  if (inv.mode == Invocation::Mode::kReport) {
    CallResult call = Call(get_reports, inv.report_code, inv.params,
                           std::string("report ") + inv.report_code);
    Print(out, "report: " + DescribeCall(inv.report_code, inv.params), call);
    ok = Succeeded(inv.report_code, inv.params, call) && ok;
  }
  return ok ? 0 : 1;
}

}  // namespace kvr::host
