#include "platform/core/strings.h"

#include <gtest/gtest.h>

#include "platform/core/exceptions.h"
#include "tests/platform/core/test_helpers.h"

using namespace pf::literals;

namespace {

TEST(Strings, OneBasedRoutinesClampOutOfRangePositions) {
  // Below 1 counts from 1, a count runs at most to the end, past the end or without a count: nothing.
  EXPECT_EQ(pf::Copy("abcdef", 2, 3) + "|" + pf::Copy("abcdef", -5, 2) + "|" + pf::Copy("abcdef", 5, 100) + "|" +
                pf::Copy("abcdef", 7, 1) + "|" + pf::Copy("abcdef", 2, 0),
            "bcd|ab|ef||");

  std::string s = "abcdef";
  pf::Delete(s, 2, 2);
  pf::Delete(s, 3, 99);
  pf::Delete(s, 0, 1);  // index outside 1..length: nothing
  pf::Delete(s, 9, 1);
  EXPECT_EQ(s, "ad");
  pf::Insert("XY", s, 2);
  pf::Insert("<", s, -3);  // clamped to 1
  pf::Insert(">", s, 99);  // clamped to length + 1
  EXPECT_EQ(s, "<aXYd>");

  EXPECT_EQ(pf::Pos("cd", "abcdcd"), 3);
  EXPECT_EQ(pf::Pos("", "abc"), 0);
  EXPECT_EQ(pf::PosEx("cd", "abcdcd", 4), 5);
  EXPECT_EQ(pf::PosEx("cd", "abcdcd", 0), 0);
  EXPECT_EQ(pf::PosEx("cd", "abcdcd", 7), 0);
}

TEST(Strings, TrimRemovesControlCharactersAndBlanksOnly) {
  EXPECT_EQ(pf::Trim(" \t\r\n a b \x01"), "a b");
  EXPECT_EQ(pf::TrimLeft("  a  ") + "|" + pf::TrimRight("  a  "), "a  |  a");
  EXPECT_EQ(pf::Trim("\xA0x\xA0"), "\xA0x\xA0");  // no-break space is a character
  EXPECT_EQ(pf::Trim("   "), "");
}

TEST(Strings, Latin1LiteralsAndCaseMapping) {
  static_assert("Prüfungen"_l1.size() == 9);
  EXPECT_EQ("ÿ ½ A"_l1, "\xFF \xBD A");  // one byte per character

  // ASCII routines leave Latin-1 letters alone.
  EXPECT_EQ(pf::UpperCase("abc\xE4") + "|" + pf::LowerCase("ABC\xC4"), "ABC\xE4|abc\xC4");
  EXPECT_NE(pf::CompareText("\xC4RGER", "\xE4rger"), 0);
  EXPECT_TRUE(pf::SameText("Hello", "hELLO"));
  EXPECT_LT(pf::CompareText("ab", "abc"), 0);

  EXPECT_EQ(pf::AnsiUpperCase("Prüfungen"_l1), "PRÜFUNGEN"_l1);
  EXPECT_EQ(pf::AnsiLowerCase("ÄÖÜ ÀÞ"_l1), "äöü àþ"_l1);
  // The multiplication and division signs, sharp s and y with diaeresis have no case partner.
  EXPECT_EQ(pf::AnsiUpperCase("\xF7\xDF\xFF"), "\xF7\xDF\xFF");
  EXPECT_EQ(pf::AnsiLowerChar('\xD7'), '\xD7');

  EXPECT_TRUE(pf::AnsiSameText("ÄRGER"_l1, "ärger"_l1));
  EXPECT_FALSE(pf::AnsiSameText("ÄRGER"_l1, "ärgern"_l1));
  EXPECT_LT(pf::AnsiCompareText("0001 TA101", "0002 ta101"), 0);
  EXPECT_GT(pf::AnsiCompareText("b", "A"), 0);
  EXPECT_LT(pf::AnsiCompareStr("B", "a"), 0);  // case-sensitive: byte order
}

TEST(Strings, IntegerConversionsWithinRange) {
  EXPECT_EQ(pf::IntToHex(255, 4) + " " + pf::IntToHex(0x1234567, 2) + " " + pf::IntToHex(-1, 2),
            "00FF 1234567 FFFFFFFF");  // padded, never cut, two's complement
  EXPECT_EQ(pf::IntToHex(-0x100000000LL, 1), "FFFFFFFF00000000");

  std::string parsed;
  for (const char* good :
       {"  -42  ", "+7", "$1F", "0x1f", "-$10", "2147483647", "-2147483648", "$FFFFFFFF", "00000000000000000012"}) {
    parsed += std::to_string(pf::StrToInt(good)) + " ";
  }
  EXPECT_EQ(parsed, "-42 7 31 31 -16 2147483647 -2147483648 -1 12 ");  // hex spans the full 32 bits
  for (const char* bad : {"", " ", "+", "-", "1 2", "12a", "2147483648", "-2147483649", "99999999999999999999", "$",
                          "0x", "$100000000", "1.0", "--1", "$-1"}) {
    int32_t v = 77;
    EXPECT_FALSE(pf::TryStrToInt(bad, v)) << bad;
    EXPECT_EQ(v, 77) << "unchanged on failure: " << bad;
    EXPECT_EQ(pf::StrToIntDef(bad, -5), -5) << bad;
  }
  EXPECT_EQ(pf::test::MessageOf<pf::EConvertError>([] { pf::StrToInt("12x"); }), "'12x' is not a valid integer value");

  EXPECT_EQ(pf::StrToInt64Def("9223372036854775807", 0), INT64_MAX);
  EXPECT_EQ(pf::StrToInt64Def("-9223372036854775808", 0), INT64_MIN);
  EXPECT_EQ(pf::StrToInt64Def("9223372036854775808", 3), 3);
}

TEST(Strings, FloatParsingUsesAFixedPoint) {
  std::string parsed;
  for (const char* good : {" 1.5 ", "-.25", "3.", "1e+3", "2E-2"}) parsed += pf::Format("%g ", {pf::StrToFloat(good)});
  EXPECT_EQ(parsed, "1.5 -0.25 3 1000 0.02 ");
  for (const char* bad : {"", "1,5", ".", "e5", "1e", "inf", "nan", "0x10", "1.5.2", "1e999"}) {
    double v = 9;
    EXPECT_FALSE(pf::TryStrToFloat(bad, v)) << bad;
  }
  EXPECT_THROW(pf::StrToFloat("1,5"), pf::EConvertError);
}

TEST(Strings, FormatDirectives) {
  EXPECT_EQ(pf::Format("%d-%s", {42, "x"}), "42-x");
  EXPECT_EQ(pf::Format("%3.3d|%.5d|%5d|%-5d|", {7, -42, 12, 12}), "007|-00042|   12|12   |");
  EXPECT_EQ(pf::Format("%.4x %X %x %u", {0xab, 255, -1, -1}), "00AB FF FFFFFFFF 4294967295");
  EXPECT_EQ(pf::Format("[%-6s][%6s][%.2s]", {"ab", "ab", "abcdef"}), "[ab    ][    ab][ab]");
  // Fixed notation rounds the decimal value half away from zero, whatever the locale's separator.
  EXPECT_EQ(pf::Format("%.2f %f %.0f %.2f %.2f %.1f", {3.14159, 2.0, 2.5, 0.125, 9.999, -0.25}),
            "3.14 2.00 3 0.13 10.00 -0.3");
  EXPECT_EQ(pf::Format("%.2f|%.3f|%.0f", {0.0, 0.0005, 1234567.0}), "0.00|0.001|1234567");
  EXPECT_EQ(pf::Format("%.3e|%e", {1234.5, -2.0}), "1.23E+003|-2.00000000000000E+000");
  EXPECT_EQ(pf::Format("%g %g %g %g %.3g", {0.5, 1e20, 100.0, 1.5e-7, 2.0 / 3}), "0.5 1E20 100 1.5E-7 0.667");
  EXPECT_EQ(pf::Format("100%% %s", {std::string("own")}), "100% own");

  for (auto call :
       {+[] { return pf::Format("%d", {}); }, +[] { return pf::Format("%d", {"s"}); },
        +[] { return pf::Format("%s", {1}); }, +[] { return pf::Format("%f", {1}); },
        +[] { return pf::Format("%q", {1}); }, +[] { return pf::Format("abc%", {1}); },
        +[] { return pf::Format("%99999999999d", {1}); }, +[] { return pf::Format("%.99999999999s", {"s"}); }}) {
    EXPECT_THROW(call(), pf::EConvertError);  // a huge width or precision included: no overflow, no giant string
  }
  EXPECT_EQ(pf::test::MessageOf<pf::EConvertError>([] { pf::Format("%d", {}); }),
            "Format '%d' invalid or incompatible with argument");
}

TEST(Strings, StringReplaceAllMakesOnePass) {
  EXPECT_EQ(pf::StringReplaceAll("a.b.c", ".", ".."), "a..b..c");  // replacement not searched again
  EXPECT_EQ(pf::StringReplaceAll("aaa", "aa", "b"), "ba");
  EXPECT_EQ(pf::StringReplaceAll("abc", "", "x"), "abc");
  EXPECT_EQ(pf::StringReplaceAll("Über über"_l1, "über"_l1, "x", false), "Über x"_l1);
  EXPECT_EQ(pf::StringReplaceAll("Über über"_l1, "über"_l1, "x", true), "x x");
}

}  // namespace
