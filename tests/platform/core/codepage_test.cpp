#include "platform/core/codepage.h"

#include <gtest/gtest.h>

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
