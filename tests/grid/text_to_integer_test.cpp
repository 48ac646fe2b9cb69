#include "grid/text_to_integer.h"

#include <gtest/gtest.h>

namespace parvex {
namespace {

TEST(TextToIntegerTest, ReadsEditBoxTexts) {
  struct Case { const char* name; std::string text; int32_t value; };
  const Case cases[] = {
      {"empty", "", 0},
      {"plain", "46", 46},
      {"blanks and sign", "  -7", -7},
      {"plus sign", "+5", 5},
      {"digits up to the first other byte", "12abc", 12},
      {"no digits", "abc", 0},
      {"lone sign", "-", 0},
      {"saturates high", "99999999999999999999", INT32_MAX},
      {"saturates low", "-99999999999999999999", INT32_MIN},
      {"int32 bounds exactly", "-2147483648", INT32_MIN},
      {"full-width digits in UTF-8", "\xef\xbc\x91\xef\xbc\x92", 12},
      {"full-width minus in UTF-8", "\xef\xbc\x8d\xef\xbc\x95", -5},
      {"ideographic space in UTF-8", "\xe3\x80\x80" "3", 3},
      {"full-width digits in GBK", "\xa3\xb1\xa3\xb2", 12},
      {"ideographic space in GBK", "\xa1\xa1" "8", 8},
      {"GBK lead byte at the end is dropped", "7\xa3", 7},
      {"other GBK pair is kept whole", "\xb0\xa1" "5", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(TextToInteger(c.text), c.value);
  }
}

TEST(TextToIntegerTest, NormalizesLikeTheEditBox) {
  struct Case { std::string text; std::string normalized; };
  const Case cases[] = {
      {"0", ""},      {"000", ""},        {"-0", ""},          {"-", ""},   {"", ""},
      {"007", "7"},   {"12abc", "12"},    {"99999", "32767"},  {"-99999", "-32768"},
      {"32767", "32767"}, {"-32768", "-32768"}, {"+3", "3"},   {" 4", "4"}, {"abc", ""},
      {"99999999999999999999999", "32767"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(NormalizeEditBoxText(c.text), c.normalized);
  }
}

TEST(TextToIntegerTest, EditBoxAcceptsDigitsAndMinusOnly) {
  for (char32_t c : {U'0', U'5', U'9', U'-'}) EXPECT_TRUE(IsEditBoxCharacter(c));
  for (char32_t c : {U'a', U'+', U' ', U'.', U'\xff11'}) EXPECT_FALSE(IsEditBoxCharacter(c));
}

}  // namespace
}  // namespace parvex
