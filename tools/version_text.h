// kvrhost --version: the version of the host interface kvrhost was built with.
#pragma once

#include <string>

namespace kvr::host {

std::string VersionText();

}  // namespace kvr::host
