#include "platform/core/codepage.h"

#include <gtest/gtest.h>

#include <clocale>

#include "platform/core/exceptions.h"
#include "platform/core/strings.h"
#include "tests/platform/core/test_helpers.h"

using namespace pf::literals;

namespace {

// The system's iconv serves as an independent reference for the typed-in tables: one byte -> UTF-16LE.
char16_t SystemDecode(const char* charset, uint8_t byte) {
  std::string in(1, static_cast<char>(byte));
  std::string out = pf::ConvertCharset(in, charset, "UTF-16LE");
  if (out.size() != 2) return 0;
  return static_cast<char16_t>(static_cast<uint8_t>(out[0]) | (static_cast<uint8_t>(out[1]) << 8));
}

TEST(Codepage, TablesAgreeWithTheSystemConverter) {
  for (int b = 0; b < 256; ++b) {
    const auto byte = static_cast<uint8_t>(b);
    EXPECT_EQ(pf::Cp437ToUnicode(byte), SystemDecode("IBM437", byte)) << "CP437 byte " << b;
    // 0x81, 0x8D, 0x8F, 0x90 and 0x9D are undefined in 1252 and pass through; the system converter rejects them.
    const bool undefined = b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D;
    EXPECT_EQ(pf::Cp1252ToUnicode(byte), undefined ? b : SystemDecode("CP1252", byte)) << "1252 byte " << b;
  }
  EXPECT_EQ(pf::Cp1252ToUtf16("\x80\xBD\x9F"), u"\u20AC\u00BD\u0178");
  // CP437 names from FAT hosts: umlauts map, box drawing has no Latin-1 form.
  EXPECT_EQ(pf::Cp437ToLatin1("Gr\x81n\x84\xC4\xE1"), "Grünä?ß"_l1);
  EXPECT_EQ(pf::Cp437ToLatin1("\xC4", '_'), "_");
}

TEST(Codepage, Latin1Utf8AndUtf16RoundTrip) {
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  EXPECT_EQ(pf::Utf8ToLatin1(pf::Latin1ToUtf8(all)), all);
  EXPECT_EQ(pf::Utf16ToLatin1(pf::Latin1ToUtf16(all)), all);
  EXPECT_EQ(pf::Latin1ToUtf8("\xE4\xFF"), "ä\u00FF");
  EXPECT_EQ(pf::Latin1ToUtf16("\xFC"), u"ü");
}

TEST(Codepage, CharactersOutsideLatin1AndBrokenInputBecomeOneReplacementEach) {
  EXPECT_EQ(pf::Utf8ToLatin1("a\U0001F600b", '#'), "a#b");
  // Outside Latin-1, a stray Latin-1 byte, truncated at the end and before a plain byte, an overlong "/", an
  // encoded surrogate, beyond U+10FFFF, two lone continuation bytes.
  EXPECT_EQ(pf::test::JoinEach([](std::string_view s) { return pf::Utf8ToLatin1(s); },
                               {"a€b", "\xE4rger", "x\xE2\x82", "\xE2\x82x", "\xC0\xAF", "\xED\xA0\x80",
                                "\xF4\x90\x80\x80", "\x80\xBF"}),
            "a?b|?rger|x?|?x|?|?|?|??");

  EXPECT_EQ(pf::Utf16ToLatin1(u"a\u20ACb"), "a?b");
  EXPECT_EQ(pf::Utf16ToLatin1(u"a\U0001F600b"), "a?b");  // a pair is one character
  std::u16string lone = u"a";
  lone.push_back(0xD800);
  lone.push_back(u'b');
  EXPECT_EQ(pf::Utf16ToLatin1(lone, '*'), "a*b");
}

TEST(Codepage, ConvertCharsetByName) {
  EXPECT_EQ(pf::ConvertCharset("Prüfung"_l1, "ISO-8859-1", "UTF-8"), "Prüfung");
  EXPECT_EQ(pf::ConvertCharset("\xA4", "ISO-8859-15", "UTF-8"), "€");
  // Unconvertible, invalid and truncated input each become "?".
  EXPECT_EQ(pf::ConvertCharset("ä€ö", "UTF-8", "ISO-8859-1"), "\xE4?\xF6");
  EXPECT_EQ(pf::ConvertCharset("a\xFF|", "UTF-8", "ISO-8859-1"), "a?|");
  EXPECT_EQ(pf::ConvertCharset("x\xE2\x82", "UTF-8", "ISO-8859-1"), "x??");
  EXPECT_EQ(pf::ConvertCharset("\x84", "CP850", "ISO-8859-1"), "\xE4");
  EXPECT_EQ(pf::ConvertCharset("", "UTF-8", "ISO-8859-1"), "");
  EXPECT_EQ(pf::ConvertCharset("\xE9", "ISO-8859-1", "UTF-16LE"), std::string("\xE9\0", 2));
  std::string big(100000, '\xE4');
  EXPECT_EQ(pf::ConvertCharset(big, "ISO-8859-1", "UTF-8").size(), 200000u);  // longer than one buffer
  EXPECT_EQ(pf::test::MessageOf<pf::EConvertError>([] { pf::ConvertCharset("x", "NO-SUCH-CHARSET", "UTF-8"); }),
            "Cannot convert from character set 'NO-SUCH-CHARSET' to 'UTF-8'");
  EXPECT_THROW(pf::ConvertCharset("x", "UTF-8", "NO-SUCH-CHARSET"), pf::EConvertError);
}

}  // namespace

namespace {

// UTF-16 units as "XXXX XXXX ..." in hexadecimal, for readable table rows.
std::string Units(const std::u16string& s) {
  std::string r;
  for (char16_t c : s) r += (r.empty() ? "" : " ") + pf::IntToHex(c, 4);
  return r;
}

std::string Indexes(const std::vector<int>& v) {
  std::string r;
  for (int i : v) r += (r.empty() ? "" : ",") + std::to_string(i);
  return r;
}

TEST(Codepage, DecodesEachCodePageWithTheFirstByteOfEveryUnit) {
  struct Row {
    int codePage;
    std::string bytes, units, firstBytes;
  } rows[] = {
      {1252, "\x80\xBD\xA4\x81", "20AC 00BD 00A4 0081", "0,1,2,3"},
      // Invalid UTF-8 gives one U+FFFD; a character beyond U+FFFF is a pair sharing its first byte.
      {65001, "\xC3\xA4\xFF\x41", "00E4 FFFD 0041", "0,2,3"},
      {65001, "a\xF0\x9F\x98\x80z", "0061 D83D DE00 007A", "0,1,1,5"},
      {42, "\x01 A\xB7", "0001 F020 F041 F0B7", "0,1,2,3"},
      // Shift-JIS: a pair, a single-byte katakana, a lead byte with an undefined trail, a lead byte at the end.
      {932, "\x82\xA0\xB1x\x81\x20\x82", "3042 FF71 0078 FFFD 0020 FFFD", "0,2,3,4,5,6"},
      {1251, "\xC0\xFF", "0410 044F", "0,1"},
      {1250, "\x8A", "0160", "0"},
      {936, "\xC4\xE3", "4F60", "0"},
      {9999, "\x80", "20AC", "0"},  // a code page iconv lacks reads as 1252
  };
  for (const auto& row : rows) {
    std::vector<int> firstBytes;
    EXPECT_EQ(Units(pf::CodePageToUtf16(row.bytes, row.codePage, &firstBytes)), row.units) << row.codePage;
    EXPECT_EQ(Indexes(firstBytes), row.firstBytes) << row.codePage;
  }
}

TEST(Codepage, EncodesWithoutBestFit) {
  struct Row {
    int codePage;
    std::u16string text;
    std::string bytes;
  } rows[] = {
      {1252, u"\u20AC\u00E4\u0081", "\x80\xE4\x81"},
      {1252, u"\u0101\u0080", "??"},
      {65001, u"\u00E4\U0001F600", "\xC3\xA4\xF0\x9F\x98\x80"},
      {932, u"\u3042a\u00E4",
       "\x82\xA0"
       "a?"},
      {42, u"\uF041\u0041\u0001", "A?\x01"},
      {1251, u"\u0410", "\xC0"},
      {9999, u"\u20AC", "\x80"},
  };
  for (const auto& row : rows) EXPECT_EQ(pf::Utf16ToCodePage(row.text, row.codePage), row.bytes) << row.codePage;
  std::u16string lone = u"a";
  lone.push_back(0xDC00);
  EXPECT_EQ(pf::Utf16ToCodePage(lone, 65001, '#'), "a#");
}

TEST(Codepage, CharsetsAndCharacterLengths) {
  const std::pair<int, int> charsets[] = {{0, 1252},  {1, 1252},   {2, 42},     {128, 932},  {129, 949}, {134, 936},
                                          {136, 950}, {161, 1253}, {204, 1251}, {238, 1250}, {255, 850}, {31, 1252}};
  for (auto [charset, codePage] : charsets) EXPECT_EQ(pf::CharsetToCodePage(charset), codePage) << charset;

  struct Row {
    std::string text;
    int codePage, length;
  } rows[] = {{"", 65001, 0},
              {std::string(1, '\0'), 65001, 0},
              {"\xC3\xA4", 65001, 2},
              {"\xE2\x82\xAC", 65001, 3},
              {"\xF0", 65001, 1},  // never past the end
              {"\xF0\x9F\x98\x80", 65001, 4},
              {"\x82\xA0", 932, 2},
              {"\xA0\xA0", 932, 1},
              {"\x82", 932, 1},
              {"\xC4\xE3", 1252, 1}};
  for (const auto& row : rows) EXPECT_EQ(pf::CharByteCount(row.text, row.codePage), row.length) << row.text;
}

TEST(Codepage, ConversionsIgnoreTheLocale) {
  const std::string bytes = "\x80\xE4\xC3\xA4";
  const auto before = pf::CodePageToUtf16(bytes, 1252) + pf::CodePageToUtf16(bytes, 65001);
  const char* old = setlocale(LC_ALL, nullptr);
  std::string saved = old ? old : "C";
  if (!setlocale(LC_ALL, "C.UTF-8")) GTEST_SKIP() << "no C.UTF-8 locale";
  EXPECT_EQ(pf::CodePageToUtf16(bytes, 1252) + pf::CodePageToUtf16(bytes, 65001), before);
  EXPECT_EQ(pf::Utf16ToCodePage(u"\u20AC", 1252), "\x80");
  setlocale(LC_ALL, saved.c_str());
}

}  // namespace
