// Conversions between Latin-1, the Windows code pages, UTF-8 and UTF-16.
// The system code page is a fixed 1252, never the locale's; no conversion depends on the locale.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pf {

std::u16string Latin1ToUtf16(std::string_view s);
// Characters above 0xFF become replacement.
std::string Utf16ToLatin1(std::u16string_view s, char replacement = '?');
std::string Latin1ToUtf8(std::string_view s);
// Invalid sequences and characters above 0xFF become replacement.
std::string Utf8ToLatin1(std::string_view s, char replacement = '?');

// Windows-1252: 0x80-0x9F map to the typographic characters of that code page (0x80 is the euro sign).
char16_t Cp1252ToUnicode(uint8_t c);
std::u16string Cp1252ToUtf16(std::string_view s);
// The system code page's conversion from UTF-16: characters that Windows-1252 lacks become replacement.
std::string Utf16ToCp1252(std::u16string_view s, char replacement = '?');
// DOS code page 437 (the original IBM PC set); bytes below 0x80 are ASCII.
char16_t Cp437ToUnicode(uint8_t c);
// CP437 bytes to Latin-1; characters that Latin-1 lacks become replacement.
std::string Cp437ToLatin1(std::string_view s, char replacement = '?');

// Any other conversion, through iconv by charset name ("UTF-8", "ISO-8859-15", "CP850", ...). Unconvertible
// characters become "?"; an unknown charset raises EConvertError.
std::string ConvertCharset(std::string_view bytes, const char* fromCharset, const char* toCharset);

// Windows code pages by number. 1252, UTF-8 and the symbol code page have own tables; every other number goes
// through iconv as "CP<number>" (10000 as "MACINTOSH"), and one that iconv lacks is taken as 1252.
constexpr int SystemCodePage = 1252;
constexpr int CodePageUtf8 = 65001;
constexpr int CodePageSymbol = 42;  // bytes from 0x20 on are the private characters U+F020..U+F0FF

// The code page in which text of a Windows font character set (0 ANSI, 1 default, 2 symbol, 128 Shift-JIS, ...)
// is written; the default and unknown sets use the system code page.
int CharsetToCodePage(int charset);

// Bytes of a code page to UTF-16. firstByte, when given, receives for each UTF-16 unit the index of the first byte
// of its character (both units of a surrogate pair share one). A byte sequence the code page does not define gives
// U+FFFD, one per undecodable byte run of one character.
std::u16string CodePageToUtf16(std::string_view bytes, int codePage, std::vector<int>* firstByte = nullptr);
// UTF-16 to a code page; characters the code page lacks and unpaired surrogates become replacement (no best fit).
std::string Utf16ToCodePage(std::u16string_view text, int codePage, char replacement = '?');
// Byte length of the character text starts with, 0 when text is empty or starts with NUL. UTF-8 counts by the
// lead byte alone (2 for C0-DF, 3 for E0-EF, 4 for F0-F7, else 1); double-byte code pages give 2 for a lead byte
// that has a byte after it. Never more than text holds.
int CharByteCount(std::string_view text, int codePage);

}  // namespace pf
