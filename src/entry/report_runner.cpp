#include "entry/report_runner.h"

#include "entry/export_creator.h"

namespace kvr {

// One export creator per call: it connects in its constructor and disconnects when it goes,
// also when the dispatch raises.
bool RunReport(char report_code, const Variant& params, std::string& text) {
  TExportCreator creator;
  return creator.Dispatch(report_code, params, text);
}

}  // namespace kvr
