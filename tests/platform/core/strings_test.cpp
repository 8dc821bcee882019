#include "platform/core/strings.h"

#include <gtest/gtest.h>

#include "platform/core/exceptions.h"
#include "tests/platform/core/test_helpers.h"

using namespace pf::literals;

namespace {

TEST(Strings, OneBasedRoutinesClampOutOfRangePositions) {
  EXPECT_EQ(pf::Copy("abcdef", 2, 3), "bcd");
  EXPECT_EQ(pf::Copy("abcdef", 0, 2), "ab");  // below 1 counts from 1
  EXPECT_EQ(pf::Copy("abcdef", -5, 2), "ab");
  EXPECT_EQ(pf::Copy("abcdef", 5, 100), "ef");  // count clamped at the end
  EXPECT_EQ(pf::Copy("abcdef", 7, 1), "");      // past the end
  EXPECT_EQ(pf::Copy("abcdef", 2, 0), "");      // no count

  std::string s = "abcdef";
  pf::Delete(s, 2, 2);
  EXPECT_EQ(s, "adef");
  pf::Delete(s, 3, 99);
  EXPECT_EQ(s, "ad");
  pf::Delete(s, 0, 1);  // index outside 1..length: nothing
  pf::Delete(s, 9, 1);
  EXPECT_EQ(s, "ad");

  pf::Insert("XY", s, 2);
  EXPECT_EQ(s, "aXYd");
  pf::Insert("<", s, -3);  // clamped to 1
  EXPECT_EQ(s, "<aXYd");
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
  EXPECT_EQ(pf::TrimLeft("  a  "), "a  ");
  EXPECT_EQ(pf::TrimRight("  a  "), "  a");
  EXPECT_EQ(pf::Trim("\xA0x\xA0"), "\xA0x\xA0");  // no-break space is a character
  EXPECT_EQ(pf::Trim("   "), "");
}

TEST(Strings, CaseMappingAsciiAndLatin1) {
  // ASCII routines leave Latin-1 letters alone.
  EXPECT_EQ(pf::UpperCase("abc\xE4"), "ABC\xE4");
  EXPECT_EQ(pf::LowerCase("ABC\xC4"), "abc\xC4");
  EXPECT_NE(pf::CompareText("\xC4RGER", "\xE4rger"), 0);
  EXPECT_TRUE(pf::SameText("Hello", "hELLO"));
  EXPECT_LT(pf::CompareText("ab", "abc"), 0);

  EXPECT_EQ(pf::AnsiUpperCase("Prüfungen"_l1), "PRÜFUNGEN"_l1);
  EXPECT_EQ(pf::AnsiLowerCase("ÄÖÜ ÀÞ"_l1), "äöü àþ"_l1);
  // The multiplication and division signs and sharp s have no case partner.
  EXPECT_EQ(pf::AnsiUpperChar('\xF7'), '\xF7');
  EXPECT_EQ(pf::AnsiLowerChar('\xD7'), '\xD7');
  EXPECT_EQ(pf::AnsiUpperChar('\xDF'), '\xDF');
  EXPECT_EQ(pf::AnsiUpperChar('\xFF'), '\xFF');

  EXPECT_TRUE(pf::AnsiSameText("ÄRGER"_l1, "ärger"_l1));
  EXPECT_FALSE(pf::AnsiSameText("ÄRGER"_l1, "ärgern"_l1));
  EXPECT_LT(pf::AnsiCompareText("0001 TA101", "0002 ta101"), 0);
  EXPECT_GT(pf::AnsiCompareText("b", "A"), 0);
  EXPECT_LT(pf::AnsiCompareStr("B", "a"), 0);  // case-sensitive: byte order
}

TEST(Strings, Latin1LiteralIsOneBytePerCharacter) {
  constexpr std::string_view s = "Prüfungen"_l1;
  static_assert(s.size() == 9);
  EXPECT_EQ(s[2], '\xFC');
  EXPECT_EQ("ÿ ½ A"_l1, "\xFF \xBD A");
  EXPECT_TRUE(""_l1.empty());
}

TEST(Strings, IntToHexPadsAndShowsTwosComplement) {
  EXPECT_EQ(pf::IntToHex(255, 4), "00FF");
  EXPECT_EQ(pf::IntToHex(0x1234567, 2), "1234567");
  EXPECT_EQ(pf::IntToHex(-1, 2), "FFFFFFFF");
  EXPECT_EQ(pf::IntToHex(-0x100000000LL, 1), "FFFFFFFF00000000");
}

TEST(Strings, StrToIntAcceptsDecimalAndHexWithinRange) {
  EXPECT_EQ(pf::StrToInt("  -42  "), -42);
  EXPECT_EQ(pf::StrToInt("+7"), 7);
  EXPECT_EQ(pf::StrToInt("$1F"), 31);
  EXPECT_EQ(pf::StrToInt("0x1f"), 31);
  EXPECT_EQ(pf::StrToInt("-$10"), -16);
  EXPECT_EQ(pf::StrToInt("2147483647"), 2147483647);
  EXPECT_EQ(pf::StrToInt("-2147483648"), INT32_MIN);
  EXPECT_EQ(pf::StrToInt("$FFFFFFFF"), -1);  // hex spans the full 32 bits
  EXPECT_EQ(pf::StrToInt("00000000000000000012"), 12);

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
  EXPECT_EQ(pf::StrToInt64Def("4294967296", 0), 4294967296LL);
}

TEST(Strings, FloatParsingUsesAFixedPoint) {
  EXPECT_DOUBLE_EQ(pf::StrToFloat(" 1.5 "), 1.5);
  EXPECT_DOUBLE_EQ(pf::StrToFloat("-.25"), -0.25);
  EXPECT_DOUBLE_EQ(pf::StrToFloat("3."), 3.0);
  EXPECT_DOUBLE_EQ(pf::StrToFloat("1e+3"), 1000.0);
  EXPECT_DOUBLE_EQ(pf::StrToFloat("2E-2"), 0.02);
  for (const char* bad : {"", "1,5", ".", "e5", "1e", "inf", "nan", "0x10", "1.5.2", "1e999"}) {
    double v = 9;
    EXPECT_FALSE(pf::TryStrToFloat(bad, v)) << bad;
  }
  EXPECT_THROW(pf::StrToFloat("1,5"), pf::EConvertError);
}

TEST(Strings, FormatDirectives) {
  EXPECT_EQ(pf::Format("%d-%s", {42, "x"}), "42-x");
  EXPECT_EQ(pf::Format("%3.3d|%.5d|%5d|%-5d|", {7, -42, 12, 12}), "007|-00042|   12|12   |");
  EXPECT_EQ(pf::Format("%.4x %X %x", {0xab, 255, -1}), "00AB FF FFFFFFFF");
  EXPECT_EQ(pf::Format("%u", {-1}), "4294967295");
  EXPECT_EQ(pf::Format("[%-6s][%6s][%.2s]", {"ab", "ab", "abcdef"}), "[ab    ][    ab][ab]");
  // Fixed notation rounds the decimal value half away from zero, whatever the locale's separator.
  EXPECT_EQ(pf::Format("%.2f %f %.0f %.2f %.2f %.1f", {3.14159, 2.0, 2.5, 0.125, 9.999, -0.25}),
            "3.14 2.00 3 0.13 10.00 -0.3");
  EXPECT_EQ(pf::Format("%.2f|%.3f|%.0f", {0.0, 0.0005, 1234567.0}), "0.00|0.001|1234567");
  EXPECT_EQ(pf::Format("%.3e", {1234.5}), "1.23E+003");
  EXPECT_EQ(pf::Format("%e", {-2.0}), "-2.00000000000000E+000");
  EXPECT_EQ(pf::Format("%g %g %g %g %.3g", {0.5, 1e20, 100.0, 1.5e-7, 2.0 / 3}), "0.5 1E20 100 1.5E-7 0.667");
  EXPECT_EQ(pf::Format("100%%", {}), "100%");
  std::string owned = "own";
  EXPECT_EQ(pf::Format("%s", {owned}), "own");

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
