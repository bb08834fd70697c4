// Whether the program's output streams are terminals (a person watches them).
#pragma once

namespace kvr::platform {

bool StandardErrorIsTerminal();
bool StandardOutputIsTerminal();

}  // namespace kvr::platform
