#include "report_catalogue.h"

#include <cstdint>

#include "host_settings.h"

namespace kvr::host {
namespace {

using K = SlotKind;

constexpr ParamSlot kSaleLog[] = {{"begin", K::kDateTime},
                                  {"end", K::kDateTime},
                                  {"first number", K::kInteger},
                                  {"second number", K::kInteger},
                                  {"shop database directory", K::kText}};
constexpr ParamSlot kRange[] = {{"begin", K::kDateTime}, {"end", K::kDateTime}};
constexpr ParamSlot kTankRemains[] = {{"last shift", K::kInteger}, {"first shift", K::kInteger}};
constexpr ParamSlot kPaymentTypes[] = {{"sub-code", K::kInteger},
                                       {"first number", K::kInteger},
                                       {"second number", K::kInteger},
                                       {"begin", K::kDateTime},
                                       {"end", K::kDateTime}};
constexpr ParamSlot kSubCodeOnly[] = {{"sub-code", K::kInteger}};
constexpr ParamSlot kShiftRange[] = {
    {"sub-code", K::kInteger}, {"first shift", K::kInteger}, {"last shift", K::kInteger}};
constexpr ParamSlot kSubCodeRange[] = {
    {"sub-code", K::kInteger}, {"begin", K::kDateTime}, {"end", K::kDateTime}};
constexpr ParamSlot kControl[] = {{"command", K::kInteger},
                                  {"office reports (0 allows them)", K::kAny},
                                  {"database directory", K::kText},
                                  {"station name", K::kText},
                                  {"sale log mode", K::kInteger}};

// The sale log converts element 2 for both integers when element 3 is missing.
constexpr ReportShape kReports[] = {
    {'0', 0, "sale log", "SaleLog.dbf", kSaleLog, 3},
    {'1', 0, "tank events", "RezLog.dbf", kRange, 2},
    {'2', 0, "fuel receipts", "PrxLog.dbf", kRange, 2},
    {'6', 0, "tank remains", "RezEnd.dbf", kTankRemains, 2},
    {'8', 1, "payment types", "ExportVidOpl.dbf", kPaymentTypes, 5},
    {'8', 2, "discount cards", "AllDscCardExport.dbf", kSubCodeOnly, 1},
    {'8', 3, "dispenser information", "ExportTRKInfo.dbf", kShiftRange, 3},
    {'8', 4, "cash receipts", "ExportBCheck.dbf", kSubCodeRange, 3},
    {'8', 5, "sale discounts", "ExportRsxDsc.dbf", kSubCodeRange, 3},
    {'#', 1000, "control command", nullptr, kControl, 2},
};

std::string Quoted(const HostParam& p) {
  return "'" + (p.source.empty() ? Describe(p) : p.source) + "'";
}

// Why `p` cannot stand where `kind` is needed, or nothing.
std::string Mismatch(const HostParam& p, SlotKind kind) {
  using Kind = HostParam::Kind;
  switch (kind) {
    case SlotKind::kDateTime:
      if (p.kind == Kind::kDateTime || p.kind == Kind::kFloat) return "";
      return Quoted(p) + " is not a date-time (yyyy-mm-dd[Thh:nn[:ss[.zzz]]])";
    case SlotKind::kInteger:
      if (p.kind != Kind::kInteger) return Quoted(p) + " is not an integer";
      if (p.integer < INT32_MIN || p.integer > INT32_MAX)
        return Quoted(p) + " is outside the 32-bit integer range";
      return "";
    case SlotKind::kText:
      if (p.kind == Kind::kText || p.kind == Kind::kInteger) return "";
      return Quoted(p) + " is not a text (write s:TEXT)";
    case SlotKind::kAny: return "";
  }
  return "";
}

std::string SubCodeChoices(char code) {
  std::string list;
  for (const ReportShape& r : kReports)
    if (r.code == code)
      list += (list.empty() ? "" : ", ") + std::to_string(r.sub_code) + " " + r.what;
  return list;
}

}  // namespace

std::span<const ReportShape> AllReports() { return kReports; }

const ReportShape& FindReport(char code, const std::vector<HostParam>& params) {
  const bool has_sub_code = code == '8' || code == '#';
  for (const ReportShape& r : kReports) {
    if (r.code != code) continue;
    if (!has_sub_code) return r;
    if (!params.empty() && params[0].kind == HostParam::Kind::kInteger &&
        params[0].integer == r.sub_code)
      return r;
  }
  if (code == '8') {
    std::string given = params.empty() ? "none given" : Quoted(params[0]) + " given";
    throw UsageError("report 8 needs a sub-code: " + SubCodeChoices('8') + " (" + given + ")");
  }
  if (code == '#')
    throw UsageError("the only command of '#' is 1000 (control command 1000 needs: " +
                     SlotList(kReports[std::size(kReports) - 1]) + ")");
  throw UsageError(std::string("unknown report '") + code +
                   "' (the reports are 0, 1, 2, 6 and 8; # sends control command 1000)");
}

std::string ReportLabel(const ReportShape& r) {
  if (r.code == '#') return "control command 1000";
  std::string label = std::string("report ") + r.code;
  if (r.sub_code) label += " sub-code " + std::to_string(r.sub_code);
  return label;
}

std::string SlotList(const ReportShape& r) {
  std::string list;
  for (std::size_t i = 0; i < r.slots.size(); ++i) {
    if (i) list += i < r.required ? ", " : "[, ";
    list += r.slots[i].name;
  }
  if (r.slots.size() > r.required) list += std::string(r.slots.size() - r.required, ']');
  return list;
}

void CheckReportParams(const ReportShape& r, const std::vector<HostParam>& params) {
  const std::string given = " (" + std::to_string(params.size()) + " given)";
  if (params.size() < r.required)
    throw UsageError(ReportLabel(r) + " needs: " + SlotList(r) + given);
  if (params.size() > r.slots.size())
    throw UsageError(ReportLabel(r) + " takes at most " + std::to_string(r.slots.size()) +
                     " parameters: " + SlotList(r) + given);
  for (std::size_t i = 0; i < params.size(); ++i)
    if (std::string why = Mismatch(params[i], r.slots[i].kind); !why.empty())
      throw UsageError(ReportLabel(r) + ", " + r.slots[i].name + ": " + why);
}

}  // namespace kvr::host
