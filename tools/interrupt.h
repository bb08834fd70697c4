// Ctrl-C while kvrhost runs: one line on standard error and exit status 130 (128 +
// the signal), also while the library is inside a call that cannot be cut short otherwise.
#pragma once

namespace kvr::host {

// `json`: the line is a JSON object ({"error":"interrupted","exit_status":130}).
void ExitOnInterrupt(bool json);

}  // namespace kvr::host
