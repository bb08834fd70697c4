// The text argument of GetReportsInStringEx: the host's char* variable holding a malloc'd,
// NUL-terminated Windows-1251 string, or NULL for the empty text.
#pragma once

#include <string_view>

namespace kvr {

// Frees the old value and stores a copy of `text` (NULL for an empty text). A null `slot` is
// ignored. Never raises: without memory the host gets NULL.
void StoreHostText(char** slot, std::string_view text) noexcept;

}  // namespace kvr
