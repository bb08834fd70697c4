#include "firebird/sql_parameters.h"

#include "codepage/code_page.h"

namespace kvr::firebird {
namespace {

bool IsNameChar(char c) {
  unsigned char u = static_cast<unsigned char>(c);
  return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') || u == '_' ||
         u == '$' || u >= 0x80;
}

// The character that closes a q'<open>...<close>' literal.
char QuoteCloser(char open) {
  switch (open) {
    case '(': return ')';
    case '[': return ']';
    case '{': return '}';
    case '<': return '>';
    default: return open;
  }
}

// Index just past a literal or identifier that starts at `i` with `quote` and doubles the
// quote inside; the end of the text when it is not closed.
std::size_t SkipQuoted(std::string_view sql, std::size_t i, char quote) {
  for (++i; i < sql.size(); ++i) {
    if (sql[i] != quote) continue;
    if (i + 1 < sql.size() && sql[i + 1] == quote) {
      ++i;
      continue;
    }
    return i + 1;
  }
  return sql.size();
}

}  // namespace

ParsedSql ParseSqlParameters(std::string_view sql) {
  ParsedSql parsed;
  parsed.text.reserve(sql.size());
  auto add_name = [&parsed](std::string name) {
    bool known = name.empty();  // a bare '?' has no name to set
    for (const auto& n : parsed.names) known = known || codepage::AnsiSameText(n, name);
    if (!known) parsed.names.push_back(name);
    parsed.positions.push_back(std::move(name));
  };
  std::size_t i = 0;
  while (i < sql.size()) {
    const char c = sql[i];
    const char next = i + 1 < sql.size() ? sql[i + 1] : '\0';
    std::size_t end = i + 1;
    if ((c == 'q' || c == 'Q') && next == '\'' && i + 2 < sql.size() &&
        (i == 0 || !IsNameChar(sql[i - 1]))) {
      // q'<open> ... <close>' : nothing inside is special.
      const char closer = QuoteCloser(sql[i + 2]);
      end = sql.size();
      for (std::size_t k = i + 3; k + 1 < sql.size(); ++k)
        if (sql[k] == closer && sql[k + 1] == '\'') {
          end = k + 2;
          break;
        }
    } else if (c == '\'' || c == '"') {
      end = SkipQuoted(sql, i, c);
    } else if (c == '-' && next == '-') {
      std::size_t eol = sql.find_first_of("\r\n", i);
      end = eol == std::string_view::npos ? sql.size() : eol;
    } else if (c == '/' && next == '*') {
      std::size_t close = sql.find("*/", i + 2);
      end = close == std::string_view::npos ? sql.size() : close + 2;
    } else if (c == '?') {
      add_name("");
    } else if (c == ':' && next == '"') {
      std::size_t close = SkipQuoted(sql, i + 1, '"');
      std::string name;
      for (std::size_t k = i + 2; k < close - 1 && k < sql.size(); ++k) {
        if (sql[k] == '"') ++k;  // "" inside the name stands for one quote
        name += sql[k];
      }
      add_name(std::move(name));
      parsed.text += '?';
      i = close;
      continue;
    } else if (c == ':' && IsNameChar(next)) {
      end = i + 1;
      while (end < sql.size() && IsNameChar(sql[end])) ++end;
      add_name(std::string(sql.substr(i + 1, end - i - 1)));
      parsed.text += '?';
      i = end;
      continue;
    }
    parsed.text.append(sql.substr(i, end - i));
    i = end;
  }
  return parsed;
}

}  // namespace kvr::firebird
