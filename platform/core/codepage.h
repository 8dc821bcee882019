// Conversions between Latin-1, the Windows code page 1252, the DOS code page 437, UTF-8 and UTF-16.
// The system code page is a fixed 1252, never the locale's.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

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

}  // namespace pf
