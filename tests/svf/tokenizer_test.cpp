#include "svf/tokenizer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kestrix {
namespace {

struct TokenCase {
  std::string text;
  bool openBefore;  // a "(" of an earlier text is still open
  std::vector<std::string> tokens;
  bool openAfter;
};

const TokenCase kTokenCases[] = {
    {"TDI (0F)", false, {"TDI", "0F"}, false},
    {"TDI(0F)", false, {"TDI", "0F"}, false},
    {"TDI ( 0F )", false, {"TDI", "0F"}, false},
    {"TDI (01 23)", false, {"TDI", "01 23"}, false},
    {"SDR 16 TDI (ABCD) TDO (1234) MASK (FFFF)",
     false,
     {"SDR", "16", "TDI", "ABCD", "TDO", "1234", "MASK", "FFFF"},
     false},
    {"PIOMAP (IN A OUT B) ", false, {"PIOMAP", "IN A OUT B"}, false},
    {"RUNTEST 100 TCK ", false, {"RUNTEST", "100", "TCK"}, false},
    {"TDI ()", false, {"TDI", ""}, false},
    {"", false, {}, false},
    {" \t ", false, {}, false},
    {" ( ", false, {}, true},
    {" ) ", false, {}, false},
    {"X ) Y", false, {"X", "Y"}, false},
    {"a)b", false, {"a)b"}, false},
    // The word ends at the "(", and the ")" is then skipped as a leading character.
    {"TDI( )", false, {"TDI"}, true},
    {"TDI (01", false, {"TDI", "01"}, true},
    {"SIR 8 TDI (01)", true, {"SIR 8 TDI (01"}, false},
    // Only space and tab end a word; other blanks are trimmed from its end only.
    {"A\tB\vC\n", false, {"A", "B\vC"}, false},
    {"\xC2\xA0"
     "A B",
     false,
     {"\xC2\xA0"
      "A",
      "B"},
     false},
    {"TDI (\n0F\r\n) ", false, {"TDI", "0F"}, false},
};

TEST(Tokenizer, TakesTheTokensOfEachText) {
  for (const TokenCase& c : kTokenCases) {
    SCOPED_TRACE(c.text);
    bool open = c.openBefore;
    TokenCursor cursor(c.text, open);
    std::vector<std::string> tokens;
    std::string_view token;
    while (cursor.takeToken(token)) tokens.emplace_back(token);
    EXPECT_EQ(token, "");
    EXPECT_TRUE(cursor.empty());
    EXPECT_EQ(tokens, c.tokens);
    EXPECT_EQ(open, c.openAfter);
  }
}

// A "(" left open by one cursor makes the next cursor's first token run up to its ")"; a
// lone keyword at the end gives no pair, and an empty text leaves both slots alone.
TEST(Tokenizer, OpenParenthesisCarriesToTheNextText) {
  bool open = false;
  std::string empty, first = "TDI (01", second = "SIR 8 TDI (01) TDO (2)";
  std::string_view keyword = "old", value = "old";
  TokenCursor none(empty, open);
  EXPECT_FALSE(nextToken(none, keyword, value));
  EXPECT_EQ(keyword, "old");
  EXPECT_EQ(value, "old");
  TokenCursor a(first, open);
  ASSERT_TRUE(nextToken(a, keyword, value));
  EXPECT_EQ(value, "01");
  TokenCursor b(second, open);
  ASSERT_TRUE(nextToken(b, keyword, value));
  EXPECT_EQ(keyword, "SIR 8 TDI (01");
  EXPECT_EQ(value, "TDO");
  ASSERT_FALSE(nextToken(b, keyword, value));
  EXPECT_EQ(keyword, "2");
  EXPECT_EQ(value, "");
  EXPECT_FALSE(open);
}

// Hundreds of thousands of tokens: quadratic consumption would take minutes.
TEST(Tokenizer, ManyTokensTakeLinearTime) {
  std::string text;
  constexpr int kPairs = 200000;
  for (int i = 0; i < kPairs; ++i) text += i % 2 ? "TDI (0 1) " : "SDR 8 ";
  bool open = false;
  TokenCursor cursor(text, open);
  std::string_view keyword, value;
  int pairs = 0;
  while (nextToken(cursor, keyword, value)) {
    EXPECT_EQ(value, pairs % 2 ? "0 1" : "8");
    if (++pairs > kPairs) break;
  }
  EXPECT_EQ(pairs, kPairs);
}

}  // namespace
}  // namespace kestrix
