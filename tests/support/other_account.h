// Acting as another local account, for tests of files in shared directories: the attacker's
// part of a test runs in a forked child that has given up root for "nobody".
#pragma once

#include <functional>

namespace kvr::test {

constexpr unsigned kNobodyId = 65534;

// Whether this process may switch accounts (it runs as root, as the tests and CI do).
bool CanActAsAnotherAccount();

// Runs `action` in a child process as the account "nobody" and returns what it returns (an
// exit status: 0 for success), or -1 when the child could not switch or died.
int RunAsNobody(const std::function<int()>& action);

}  // namespace kvr::test
