// Named parameters (":BegData") in SQL text. The server knows only positional '?' markers,
// so the text is rewritten before it is prepared: each ":name" outside string literals
// ('...' with '' inside, and Firebird's q'{...}' form), quoted identifiers ("...") and
// comments (-- to the line end, /* ... */) becomes '?', and the name is remembered for that
// position. A name used twice fills two positions. A bare '?' in the text stays a positional
// parameter without a name. Names are letters, digits, '_' and '$' (bytes of Windows-1251
// letters included) or a quoted identifier (:"Name"); a ':' followed by anything else is
// left as it is.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kvr::firebird {

struct ParsedSql {
  std::string text;                    // the SQL with '?' in place of the named parameters
  std::vector<std::string> positions;  // the name of each '?', in order ("" for a bare '?')
  std::vector<std::string> names;      // each name once, as first written, in order
};

ParsedSql ParseSqlParameters(std::string_view sql);

}  // namespace kvr::firebird
