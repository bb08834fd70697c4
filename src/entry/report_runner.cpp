#include "entry/report_runner.h"

#include "entry/payment_catalogue.h"

namespace kvr {

// Until the export creator is linked in, every report code is an unknown report: the text is
// cleared, the payment catalogue rebuilt (as every dispatch does) and the result is false.
bool RunReport(char /*report_code*/, const Variant& /*params*/, std::string& text) {
  text.clear();
  BuildPaymentCatalogue();
  return false;
}

}  // namespace kvr
