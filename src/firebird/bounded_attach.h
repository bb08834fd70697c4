// An attach to the embedded engine bounded in time. The engine runs inside this process and
// waits there for locks that other processes hold; one that stopped (or hangs) while holding
// them never answers, and nothing interrupts such a wait, so the attach could hang its caller
// for good. Here the attach runs on a thread of its own and the caller waits at most `limit`:
// past it the caller raises EIBClientError "The database engine did not answer within <n> s
// while opening "<name>"" and the thread is left to finish by itself.
//
// A left thread touches only what it owns (a shared state holding the name, the parameters
// and its status vector), detaches the connection it may still get, and keeps the module
// that holds its code loaded, so neither a freed caller nor an unloaded library is reached.
//
// Internal to this folder.
#pragma once

#include <chrono>
#include <string>

namespace Firebird {
class IAttachment;
}

namespace kvr::firebird {

// The attachment, or raises the engine's error (EIBInterBaseError) or the time-out above.
Firebird::IAttachment* AttachWithin(const std::string& database_name, const unsigned char* dpb,
                                    unsigned length, std::chrono::seconds limit);

}  // namespace kvr::firebird
