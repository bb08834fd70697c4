#include "support/other_account.h"

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kvr::test {

bool CanActAsAnotherAccount() { return ::geteuid() == 0; }

int RunAsNobody(const std::function<int()>& action) {
  const pid_t pid = ::fork();
  if (pid < 0) return -1;
  if (pid == 0) {
    // Group first: without root the group cannot be changed any more.
    if (::setgroups(0, nullptr) != 0 || ::setgid(kNobodyId) != 0 || ::setuid(kNobodyId) != 0)
      ::_exit(125);
    ::_exit(action());
  }
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) == 125) return -1;
  return WEXITSTATUS(status);
}

}  // namespace kvr::test
