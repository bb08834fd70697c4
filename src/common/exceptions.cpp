#include "common/exceptions.h"

namespace kvr {

namespace {
constexpr std::string_view kMarkerOpen = " <# ";
constexpr std::string_view kMarkerClose = " #>";
}  // namespace

void ChainException(const Exception& caught, std::string_view context) {
  std::unique_ptr<Exception> copy = caught.Clone();
  std::string message(context);
  message += " -> ";
  message += caught.Message();
  if (caught.Message().find(kMarkerOpen) == std::string::npos) {
    message += kMarkerOpen;
    message += caught.ClassName();
    message += kMarkerClose;
  }
  copy->SetMessage(std::move(message));
  copy->Raise();
  throw *copy;  // not reached: Raise always throws
}

void ChainException(std::string_view context) {
  try {
    throw;
  } catch (const Exception& e) {
    ChainException(e, context);
  } catch (const std::exception& e) {
    ChainException(Exception(e.what()), context);
  } catch (...) {
    ChainException(Exception("Unknown exception"), context);
  }
}

std::string CurrentExceptionMessage() {
  try {
    throw;
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "Unknown exception";
  }
}

}  // namespace kvr
