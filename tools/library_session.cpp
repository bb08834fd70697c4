#include "library_session.h"

#include <chrono>
#include <cstdio>
#include <string>

#include "codepage/code_page.h"
#include "common/text.h"
#include "host_answers.h"
#include "json_text.h"
#include "platform/environment.h"
#include "platform/file_system.h"
#include "platform/paths.h"
#include "platform/shared_library.h"
#include "report_catalogue.h"
#include "spinner.h"

namespace kvr::host {
namespace {

using namespace kvr::literals;

constexpr const char* kExportDirectory = "C:\\MOLT\\EXPORT\\";

struct CallResult {
  const char* kind = "report";  // or "control"
  char code = 0;
  std::vector<HostParam> params;
  bool result = false;
  std::string text;  // UTF-8
  double elapsed_ms = 0;
  bool ok = false;
  std::optional<ExportFileInfo> file;
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

bool IsControlCall(char code, const std::vector<HostParam>& params) {
  return code == '#' && !params.empty() && params[0].kind == HostParam::Kind::kInteger &&
         params[0].integer == 1000;
}

std::string LabelOf(char code, const std::vector<HostParam>& params) {
  try {
    return ReportLabel(FindReport(code, params));
  } catch (const UsageError&) {
    return std::string("report ") + code;
  }
}

// A control command answers false with an empty text; a report answers true, and an error
// text starts with "Ошибка".
bool Succeeded(const CallResult& call, std::string_view cp1251_text) {
  if (IsControlCall(call.code, call.params)) return cp1251_text.empty();
  return call.result && !cp1251_text.starts_with("Ошибка"_w);
}

CallResult Call(kvr_get_reports_fn get_reports, char code, std::vector<HostParam> params,
                ProgressMode progress) {
  CallResult call;
  call.kind = IsControlCall(code, params) ? "control" : "report";
  call.code = code;
  call.params = std::move(params);
  kvr_variant array = BuildParamsArray(call.params);
  HostTextVariable text;
  const auto start = std::chrono::steady_clock::now();
  {
    Spinner spinner(LabelOf(code, call.params), progress);
    call.result = get_reports(code, array, text.Slot()) != 0;
  }
  call.elapsed_ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  kvr_variant_clear(&array);
  const std::string cp1251 = text.Text();
  call.text = codepage::Cp1251ToUtf8(cp1251);
  call.ok = Succeeded(call, cp1251);
  if (call.ok) call.file = ExportFileOf(code, call.params);
  return call;
}

std::string DescribeCall(const CallResult& call) {
  std::string s(1, call.code);
  s += " [";
  for (std::size_t i = 0; i < call.params.size(); ++i)
    s += (i ? ", " : "") + Describe(call.params[i]);
  return s + "]";
}

double RowsPerSecond(const CallResult& call) {
  return call.file && call.elapsed_ms > 0 ? call.file->records * 1000.0 / call.elapsed_ms : 0;
}

void PrintText(std::ostream& out, const CallResult& call) {
  out << call.kind << ": " << DescribeCall(call) << "\n"
      << "result: " << (call.result ? "true" : "false") << "\n"
      << "text: " << call.text << "\n"
      << "elapsed: " << static_cast<long long>(call.elapsed_ms + 0.5) << " ms\n";
  if (call.file) {
    char rate[32];
    std::snprintf(rate, sizeof rate, "%.0f", RowsPerSecond(call));
    out << "file: " << call.file->path << "\n"
        << "records: " << call.file->records << "\n"
        << "rows/s: " << rate << "\n";
  }
  out.flush();
}

std::string JsonParams(const std::vector<HostParam>& params) {
  std::string array = "[";
  for (std::size_t i = 0; i < params.size(); ++i) {
    if (i > 0) array += ',';
    array += JsonString(Describe(params[i]));
  }
  return array + "]";
}

// The fields of one call, added to `object`.
void AddCall(JsonObject& object, const CallResult& call) {
  object.Add("result", call.result).Add("text", call.text).Add("ok", call.ok);
  if (call.file) {
    object.Add("file", call.file->path)
        .Add("records", static_cast<std::int64_t>(call.file->records))
        .AddNumber("rows_per_second", RowsPerSecond(call), 1);
  } else {
    object.AddNull("file").AddNull("records").AddNull("rows_per_second");
  }
  object.AddNumber("elapsed_ms", call.elapsed_ms, 3);
}

void PrintJson(std::ostream& out, const std::string& library,
               const std::optional<CallResult>& control, const std::optional<CallResult>& report,
               int status) {
  JsonObject object;
  object.Add("library", library);
  const CallResult& last = report ? *report : *control;
  object.Add("call", last.kind)
      .Add("code", std::string(1, last.code))
      .AddRaw("params", JsonParams(last.params));
  AddCall(object, last);
  if (control && report) {
    JsonObject nested;
    nested.AddRaw("params", JsonParams(control->params));
    AddCall(nested, *control);
    object.AddRaw("control", nested.Text());
  }
  object.Add("exit_status", status);
  out << object.Text() << "\n";
  out.flush();
}

// One line on standard error: the first line of the text (the whole is in the result).
void TellFailure(std::ostream& err, const CallResult& call) {
  err << "kvrhost: " << LabelOf(call.code, call.params) << " failed";
  if (call.text.empty())
    err << " (result " << (call.result ? "true" : "false") << ")";
  else
    err << ": " << call.text.substr(0, call.text.find_first_of("\r\n"));
  err << "\n";
}

}  // namespace

std::string DefaultLibraryPath() {
  if (auto configured = platform::GetEnvironmentVariable("KVR_LIBRARY");
      configured && !configured->empty())
    return *configured;
  const std::string file = platform::LibraryFileName("KVRExportCreator9");
  std::string here = platform::ExtractFilePath(platform::HostExecutablePath());
  for (std::string candidate : {here + "../lib/" + file, here + file})
    if (platform::FileExists(candidate)) return candidate;
  return file;
}

std::optional<ExportFileInfo> ExportFileOf(char code, const std::vector<HostParam>& params) {
  const ReportShape* report = nullptr;
  try {
    report = &FindReport(code, params);
  } catch (const UsageError&) {
    return std::nullopt;
  }
  if (!report->file_name) return std::nullopt;
  ExportFileInfo info;
  info.path = platform::MapPath(std::string(kExportDirectory) + report->file_name);
  std::FILE* file = std::fopen(info.path.c_str(), "rb");
  if (!file) return std::nullopt;
  unsigned char header[8];
  const bool read = std::fread(header, 1, sizeof header, file) == sizeof header;
  std::fclose(file);
  if (!read) return std::nullopt;
  info.records =
      header[4] | header[5] << 8 | header[6] << 16 | static_cast<std::uint32_t>(header[7]) << 24;
  return info;
}

int RunSession(const Invocation& inv, std::ostream& out, std::ostream& err) {
  const HostSettings& settings = inv.settings;
  const std::string path = settings.library.empty() ? DefaultLibraryPath() : settings.library;
  std::string error;
  auto library = platform::SharedLibrary::Open(path, &error);
  if (!library) throw UsageError("cannot load " + path + ": " + error);
  auto init = reinterpret_cast<kvr_init_reports_fn>(library->Symbol("InitReports"));
  auto get_reports = reinterpret_cast<kvr_get_reports_fn>(library->Symbol("GetReportsInStringEx"));
  if (!init || !get_reports)
    throw UsageError(path + " does not export InitReports and GetReportsInStringEx");
  if (!inv.json) out << "library: " << path << "\n" << std::flush;

  UseHostSettings(settings);
  if (inv.init) init(nullptr, &HostCallback, nullptr);

  std::optional<CallResult> control, report;
  bool ok = true;
  if (settings.control) {
    control = Call(get_reports, '#', ControlParams(settings), inv.progress);
    if (!inv.json) PrintText(out, *control);
    if (!control->ok) TellFailure(err, *control);
    ok = control->ok;
  }
  if (inv.mode == Invocation::Mode::kReport) {
    report = Call(get_reports, inv.report_code, inv.params, inv.progress);
    if (!inv.json) PrintText(out, *report);
    if (!report->ok) TellFailure(err, *report);
    ok = report->ok && ok;
  }
  const int status = ok ? 0 : 1;
  if (inv.json) PrintJson(out, path, control, report, status);
  return status;
}

}  // namespace kvr::host
