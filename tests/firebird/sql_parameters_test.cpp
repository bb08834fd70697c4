#include "firebird/sql_parameters.h"

#include <gtest/gtest.h>

namespace kvr::firebird {
namespace {

struct Case {
  const char* sql;
  const char* text;
  std::vector<std::string> positions;
  std::vector<std::string> names;
};

class ParseSqlParametersTest : public ::testing::TestWithParam<Case> {};

TEST_P(ParseSqlParametersTest, RewritesOnlyRealParameters) {
  const Case& c = GetParam();
  ParsedSql parsed = ParseSqlParameters(c.sql);
  EXPECT_EQ(parsed.text, c.text);
  EXPECT_EQ(parsed.positions, c.positions);
  EXPECT_EQ(parsed.names, c.names);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParseSqlParametersTest,
    ::testing::Values(Case{"SELECT 1 FROM RDB$DATABASE", "SELECT 1 FROM RDB$DATABASE", {}, {}},
                      Case{"WHERE lt.Data BETWEEN :BegData and :EndData",
                           "WHERE lt.Data BETWEEN ? and ?",
                           {"BegData", "EndData"},
                           {"BegData", "EndData"}},
                      // one name, two positions; the first spelling is kept
                      Case{
                          "WHERE a = :P1 OR b = :p1", "WHERE a = ? OR b = ?", {"P1", "p1"}, {"P1"}},
                      Case{"Prihod IN (:P1, :P2)", "Prihod IN (?, ?)", {"P1", "P2"}, {"P1", "P2"}},
                      // literals, doubled quotes, quoted identifiers and comments hide ':'
                      Case{"SELECT 'a:b', 'it''s :x' FROM T WHERE c = :c",
                           "SELECT 'a:b', 'it''s :x' FROM T WHERE c = ?",
                           {"c"},
                           {"c"}},
                      Case{"SELECT \"A:B\" FROM \"T\"\"x:y\" WHERE d=:d",
                           "SELECT \"A:B\" FROM \"T\"\"x:y\" WHERE d=?",
                           {"d"},
                           {"d"}},
                      Case{"SELECT 1 -- :nope\r\nFROM T /* :no\n:never */ WHERE e=:e",
                           "SELECT 1 -- :nope\r\nFROM T /* :no\n:never */ WHERE e=?",
                           {"e"},
                           {"e"}},
                      Case{"SELECT q'{it's :z}' , Q'#:w#' FROM T WHERE f = :f",
                           "SELECT q'{it's :z}' , Q'#:w#' FROM T WHERE f = ?",
                           {"f"},
                           {"f"}},
                      // "seq'..." is not a q-literal: the 'q' belongs to the word
                      Case{"SELECT seq':x' FROM T", "SELECT seq':x' FROM T", {}, {}},
                      // bare '?' stays, ':' not followed by a name stays
                      Case{"SELECT ? , : , :\"Mixed Name\" FROM T",
                           "SELECT ? , : , ? FROM T",
                           {"", "Mixed Name"},
                           {"Mixed Name"}},
                      // unterminated literal or comment: nothing after it is touched
                      Case{"SELECT 'open :x", "SELECT 'open :x", {}, {}},
                      Case{"SELECT /* open :x", "SELECT /* open :x", {}, {}},
                      Case{"WHERE n = :Name_1$ + 1", "WHERE n = ? + 1", {"Name_1$"}, {"Name_1$"}}));

}  // namespace
}  // namespace kvr::firebird
