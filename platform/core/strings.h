// 8-bit strings: std::string holding Latin-1 bytes. Positions are 1-based as in the classic string routines, so that
// ported algorithms read like their originals; every routine clamps instead of failing on out-of-range positions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

namespace pf {

// Copy(s, index, count): up to count bytes from the 1-based index; "" when index is past the end or count <= 0.
// An index below 1 counts from 1.
std::string Copy(std::string_view s, int index, int count);
// 1-based position of the first sub in s, 0 when absent (or sub empty).
int Pos(std::string_view sub, std::string_view s);
// As Pos, searching from the 1-based offset; 0 when offset is outside 1..length.
int PosEx(std::string_view sub, std::string_view s, int offset = 1);
// Removes count bytes from the 1-based index (nothing when index is outside 1..length).
void Delete(std::string& s, int index, int count);
// Inserts sub before the 1-based index (index clamped to 1..length+1).
void Insert(std::string_view sub, std::string& s, int index);

// Remove leading / trailing bytes <= ' '.
std::string Trim(std::string_view s);
std::string TrimLeft(std::string_view s);
std::string TrimRight(std::string_view s);

// ASCII-only case mapping and comparison.
std::string UpperCase(std::string_view s);
std::string LowerCase(std::string_view s);
int CompareText(std::string_view a, std::string_view b);
bool SameText(std::string_view a, std::string_view b);
int CompareStr(std::string_view a, std::string_view b);
// Latin-1-aware case mapping and comparison (the characters 0xC0-0xDE except 0xD7 map to 0xE0-0xFE except 0xF7).
char AnsiUpperChar(char c);
char AnsiLowerChar(char c);
std::string AnsiUpperCase(std::string_view s);
std::string AnsiLowerCase(std::string_view s);
int AnsiCompareText(std::string_view a, std::string_view b);  // <0, 0, >0
int AnsiCompareStr(std::string_view a, std::string_view b);
bool AnsiSameText(std::string_view a, std::string_view b);

std::string IntToStr(int64_t value);
// Upper-case hexadecimal, at least digits wide (two's complement for negative values, 8 or 16 digits).
std::string IntToHex(int64_t value, int digits);
// Decimal with optional sign and surrounding blanks, or hexadecimal with "$" or "0x"; 32-bit range.
// StrToInt raises EConvertError "'%s' is not a valid integer value".
int32_t StrToInt(std::string_view s);
int32_t StrToIntDef(std::string_view s, int32_t defaultValue);
bool TryStrToInt(std::string_view s, int32_t& value);
int64_t StrToInt64Def(std::string_view s, int64_t defaultValue);
// Floating point with a fixed "." separator; raises EConvertError "'%s' is not a valid floating point value".
double StrToFloat(std::string_view s);
bool TryStrToFloat(std::string_view s, double& value);

// Format with the classic directives: %d %u %x %X %s %f %e %g %%, each with optional "-", width and ".precision"
// ("%3.3d", "%.5d", "%.4x", "%-10s", "%.2f"). Arguments are matched in order; a missing or mismatched argument
// raises EConvertError "Format '%s' invalid or incompatible with argument".
using FormatArg = std::variant<int64_t, std::string_view, double>;
struct FormatValue {
  FormatValue(int v) : value(int64_t{v}) {}
  FormatValue(unsigned v) : value(int64_t{v}) {}
  FormatValue(long v) : value(int64_t{v}) {}
  FormatValue(unsigned long v) : value(static_cast<int64_t>(v)) {}
  FormatValue(long long v) : value(int64_t{v}) {}
  FormatValue(double v) : value(v) {}
  FormatValue(const char* v) : value(std::string_view(v)) {}
  FormatValue(std::string_view v) : value(v) {}
  FormatValue(const std::string& v) : value(std::string_view(v)) {}
  FormatArg value;
};
std::string Format(std::string_view format, std::initializer_list<FormatValue> args);

// Replaces every occurrence of from in s, left to right in one pass (a replacement that contains from is not
// searched again). ignoreCase compares Latin-1-insensitively.
std::string StringReplaceAll(std::string_view s, std::string_view from, std::string_view to, bool ignoreCase = false);

// Compile-time conversion of a UTF-8 source literal to Latin-1 bytes: "Prüfungen"_l1 is a std::string_view of
// 9 bytes with 0xFC for "ü". A character outside Latin-1 is a compile error.
namespace detail {
template <std::size_t N>
struct Utf8Literal {
  char chars[N]{};
  std::size_t length = 0;
  consteval Utf8Literal(const char (&s)[N]) {
    std::size_t out = 0;
    for (std::size_t i = 0; i + 1 < N; ++i) {
      unsigned char c = static_cast<unsigned char>(s[i]);
      if (c < 0x80) {
        chars[out++] = static_cast<char>(c);
      } else if ((c == 0xC2 || c == 0xC3) && i + 2 < N && (static_cast<unsigned char>(s[i + 1]) & 0xC0) == 0x80) {
        chars[out++] = static_cast<char>(((c & 0x03) << 6) | (static_cast<unsigned char>(s[i + 1]) & 0x3F));
        ++i;
      } else {
        throw "character outside Latin-1 in a _l1 literal";
      }
    }
    length = out;
  }
};
template <Utf8Literal S>
struct Latin1Storage {
  static constexpr Utf8Literal value = S;
};
}  // namespace detail

namespace literals {
template <detail::Utf8Literal S>
constexpr std::string_view operator""_l1() {
  return std::string_view(detail::Latin1Storage<S>::value.chars, detail::Latin1Storage<S>::value.length);
}
}  // namespace literals

}  // namespace pf
