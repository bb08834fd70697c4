#include "entry/host_text.h"

#include <cstdlib>
#include <cstring>

namespace kvr {

void StoreHostText(char** slot, std::string_view text) noexcept {
  if (!slot) return;
  std::free(*slot);
  *slot = nullptr;
  if (text.empty()) return;
  auto* copy = static_cast<char*>(std::malloc(text.size() + 1));
  if (!copy) return;
  std::memcpy(copy, text.data(), text.size());
  copy[text.size()] = '\0';
  *slot = copy;
}

}  // namespace kvr
