#include "platform/core/strings.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "platform/core/exceptions.h"

namespace pf {

namespace {

unsigned char U(char c) { return static_cast<unsigned char>(c); }

bool IsBlank(char c) { return U(c) <= ' '; }

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

int Sign(int v) { return (v > 0) - (v < 0); }

// Byte-wise comparison after mapping each byte through fold; a shorter prefix sorts first.
template <typename Fold>
int CompareFolded(std::string_view a, std::string_view b, Fold fold) {
  size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    int ca = U(fold(a[i]));
    int cb = U(fold(b[i]));
    if (ca != cb) return ca - cb;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

std::string_view TrimLeftView(std::string_view s) {
  size_t b = 0;
  while (b < s.size() && IsBlank(s[b])) ++b;
  return s.substr(b);
}

std::string_view TrimRightView(std::string_view s) {
  size_t e = s.size();
  while (e > 0 && IsBlank(s[e - 1])) --e;
  return s.substr(0, e);
}

std::string_view TrimView(std::string_view s) { return TrimLeftView(TrimRightView(s)); }

// s with every byte passed through map.
template <typename Map>
std::string Mapped(std::string_view s, Map map) {
  std::string r(s);
  for (char& c : r) c = map(c);
  return r;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Parses an integer: blanks, optional sign, then decimal digits or "$"/"0x" and hex digits, then blanks.
// Decimal values must lie in [minValue, maxValue]. Hexadecimal values may use the full unsigned width
// (up to maxUnsigned) and are taken as two's complement, so "$FFFFFFFF" reads as -1 for 32 bits, as the
// classic conversion does (colour values are often written that way).
bool ParseInteger(std::string_view s, int64_t minValue, int64_t maxValue, uint64_t maxUnsigned, int64_t& out) {
  s = TrimView(s);
  bool negative = false;
  if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
    negative = s[0] == '-';
    s.remove_prefix(1);
  }
  bool hex = false;
  if (!s.empty() && s[0] == '$') {
    hex = true;
    s.remove_prefix(1);
  } else if (s.size() >= 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    hex = true;
    s.remove_prefix(2);
  }
  if (s.empty()) return false;
  uint64_t magnitude = 0;
  if (hex) {
    for (char c : s) {
      int d = HexDigit(c);
      if (d < 0) return false;
      if (magnitude > (maxUnsigned >> 4)) return false;
      magnitude = (magnitude << 4) | static_cast<uint64_t>(d);
    }
    if (magnitude > maxUnsigned) return false;
    // Reinterpret in the target width.
    int64_t value;
    if (maxUnsigned == 0xFFFFFFFFull) {
      value = static_cast<int32_t>(static_cast<uint32_t>(magnitude));
    } else {
      value = static_cast<int64_t>(magnitude);
    }
    if (negative) {
      // Negating the most negative value wraps, as the two's complement reading implies.
      value = static_cast<int64_t>(0ull - static_cast<uint64_t>(value));
      if (maxUnsigned == 0xFFFFFFFFull) value = static_cast<int32_t>(static_cast<uint32_t>(value));
    }
    out = value;
    return true;
  }
  uint64_t limit = negative ? static_cast<uint64_t>(-(minValue + 1)) + 1 : static_cast<uint64_t>(maxValue);
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    uint64_t d = static_cast<uint64_t>(c - '0');
    if (magnitude > (limit - d) / 10) return false;
    magnitude = magnitude * 10 + d;
  }
  out = negative ? static_cast<int64_t>(0ull - magnitude) : static_cast<int64_t>(magnitude);
  return true;
}

[[noreturn]] void FormatError(std::string_view format) {
  throw EConvertError("Format '" + std::string(format) + "' invalid or incompatible with argument");
}

// Digits of an unsigned value in the given base.
std::string UnsignedDigits(uint64_t v, int base, bool upper) {
  const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  char buf[24];
  int n = 0;
  do {
    buf[n++] = digits[v % static_cast<uint64_t>(base)];
    v /= static_cast<uint64_t>(base);
  } while (v != 0);
  std::string r;
  r.reserve(static_cast<size_t>(n));
  while (n > 0) r.push_back(buf[--n]);
  return r;
}

// A negative value that fits 32 bits is shown as its 32-bit two's complement, otherwise as 64 bits.
uint64_t AsUnsigned(int64_t v) {
  if (v < 0 && v >= std::numeric_limits<int32_t>::min()) return static_cast<uint32_t>(static_cast<int32_t>(v));
  return static_cast<uint64_t>(v);
}

// A finite double as its shortest round-trip decimal digits: value = 0.d1d2d3... * 10^(exponent + 1).
struct Decimal {
  bool negative = false;
  std::string digits;  // no leading zeros; empty for zero
  int exponent = 0;    // power of ten of the first digit
};

Decimal ToDecimal(double v) {
  Decimal d;
  d.negative = std::signbit(v);
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof(buf), v < 0 ? -v : v, std::chars_format::scientific);
  std::string_view s(buf, static_cast<size_t>(res.ptr - buf));
  size_t e = s.find('e');
  for (char c : s.substr(0, e))
    if (c != '.') d.digits.push_back(c);
  const char* expBegin = s.data() + e + 1 + (s[e + 1] == '+' ? 1 : 0);
  std::from_chars(expBegin, s.data() + s.size(), d.exponent);
  while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
  return d;
}

// Keeps `keep` significant digits, rounding half away from zero (what a reader of 2.5 or 0.125 expects).
void RoundDigits(Decimal& d, int keep) {
  if (keep < 0) {
    d.digits.clear();
    return;
  }
  if (static_cast<size_t>(keep) >= d.digits.size()) return;
  bool up = d.digits[static_cast<size_t>(keep)] >= '5';
  d.digits.resize(static_cast<size_t>(keep));
  if (up) {
    int i = keep - 1;
    while (i >= 0 && d.digits[static_cast<size_t>(i)] == '9') d.digits[static_cast<size_t>(i--)] = '0';
    if (i >= 0) {
      ++d.digits[static_cast<size_t>(i)];
    } else {
      d.digits.insert(0, "1");
      ++d.exponent;
    }
  }
  while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
  if (d.digits.empty()) d.exponent = 0;
}

char DigitAt(const Decimal& d, int power) {
  int i = d.exponent - power;
  return i >= 0 && static_cast<size_t>(i) < d.digits.size() ? d.digits[static_cast<size_t>(i)] : '0';
}

std::string Fixed(const Decimal& d, int decimals) {
  std::string r;
  if (d.negative && !d.digits.empty()) r.push_back('-');
  for (int p = d.exponent > 0 ? d.exponent : 0; p >= 0; --p) r.push_back(DigitAt(d, p));
  if (decimals > 0) {
    r.push_back('.');
    for (int p = -1; p >= -decimals; --p) r.push_back(DigitAt(d, p));
  }
  return r;
}

std::string Scientific(const Decimal& d, int mantissaDigits, bool padMantissa, int minExponentDigits, bool plus) {
  std::string r;
  if (d.negative && !d.digits.empty()) r.push_back('-');
  r.push_back(d.digits.empty() ? '0' : d.digits[0]);
  int shown = padMantissa ? mantissaDigits : static_cast<int>(d.digits.size());
  if (shown > 1) {
    r.push_back('.');
    for (int i = 1; i < shown; ++i)
      r.push_back(static_cast<size_t>(i) < d.digits.size() ? d.digits[static_cast<size_t>(i)] : '0');
  }
  int exponent = d.exponent;
  r.push_back('E');
  if (exponent < 0) {
    r.push_back('-');
  } else if (plus) {
    r.push_back('+');
  }
  std::string e = std::to_string(exponent < 0 ? -exponent : exponent);
  if (static_cast<int>(e.size()) < minExponentDigits) r.append(static_cast<size_t>(minExponentDigits) - e.size(), '0');
  return r + e;
}

// %f: fixed decimals (default 2); %e: significant digits (default 15) with a signed three-digit exponent;
// %g: up to the significant digits (default 15) without trailing zeros, exponent form for very large or small
// values. The decimal point is always ".".
std::string FormatFloat(double v, char directive, int precision) {
  if (std::isnan(v)) return "NAN";
  if (std::isinf(v)) return v < 0 ? "-INF" : "INF";
  Decimal d = ToDecimal(v);
  switch (directive) {
    case 'f': {
      int decimals = precision < 0 ? 2 : precision;
      RoundDigits(d, d.exponent + 1 + decimals);
      return Fixed(d, decimals);
    }
    case 'e': {
      int digits = precision < 0 ? 15 : (precision < 1 ? 1 : precision);
      RoundDigits(d, digits);
      return Scientific(d, digits, true, 3, true);
    }
    default: {
      int digits = precision < 0 || precision > 15 ? 15 : (precision < 1 ? 1 : precision);
      RoundDigits(d, digits);
      if (d.digits.empty()) return "0";
      if (d.exponent >= digits || d.exponent < -5) return Scientific(d, digits, false, 0, false);
      int decimals = static_cast<int>(d.digits.size()) - 1 - d.exponent;
      return Fixed(d, decimals < 0 ? 0 : decimals);
    }
  }
}
}  // namespace

std::string Copy(std::string_view s, int index, int count) {
  if (index < 1) index = 1;
  if (count <= 0 || static_cast<size_t>(index) > s.size()) return {};
  size_t start = static_cast<size_t>(index) - 1;
  size_t n = s.size() - start;
  if (static_cast<size_t>(count) < n) n = static_cast<size_t>(count);
  return std::string(s.substr(start, n));
}

int Pos(std::string_view sub, std::string_view s) { return PosEx(sub, s, 1); }

int PosEx(std::string_view sub, std::string_view s, int offset) {
  if (sub.empty() || offset < 1 || static_cast<size_t>(offset) > s.size()) return 0;
  size_t p = s.find(sub, static_cast<size_t>(offset) - 1);
  return p == std::string_view::npos ? 0 : static_cast<int>(p) + 1;
}

void Delete(std::string& s, int index, int count) {
  if (index < 1 || static_cast<size_t>(index) > s.size() || count <= 0) return;
  s.erase(static_cast<size_t>(index) - 1, static_cast<size_t>(count));
}

void Insert(std::string_view sub, std::string& s, int index) {
  if (index < 1) index = 1;
  size_t at = static_cast<size_t>(index) - 1;
  if (at > s.size()) at = s.size();
  s.insert(at, sub);
}

std::string Trim(std::string_view s) { return std::string(TrimView(s)); }

std::string TrimLeft(std::string_view s) { return std::string(TrimLeftView(s)); }

std::string TrimRight(std::string_view s) { return std::string(TrimRightView(s)); }

std::string UpperCase(std::string_view s) { return Mapped(s, AsciiUpper); }

std::string LowerCase(std::string_view s) { return Mapped(s, AsciiLower); }

int CompareText(std::string_view a, std::string_view b) { return CompareFolded(a, b, AsciiUpper); }

bool SameText(std::string_view a, std::string_view b) { return a.size() == b.size() && CompareText(a, b) == 0; }

int CompareStr(std::string_view a, std::string_view b) {
  return CompareFolded(a, b, [](char c) { return c; });
}

char AnsiUpperChar(char c) {
  unsigned char u = U(c);
  if (u >= 'a' && u <= 'z') return static_cast<char>(u - 32);
  if (u >= 0xE0 && u <= 0xFE && u != 0xF7) return static_cast<char>(u - 32);
  return c;
}

char AnsiLowerChar(char c) {
  unsigned char u = U(c);
  if (u >= 'A' && u <= 'Z') return static_cast<char>(u + 32);
  if (u >= 0xC0 && u <= 0xDE && u != 0xD7) return static_cast<char>(u + 32);
  return c;
}

std::string AnsiUpperCase(std::string_view s) { return Mapped(s, AnsiUpperChar); }

std::string AnsiLowerCase(std::string_view s) { return Mapped(s, AnsiLowerChar); }

int AnsiCompareText(std::string_view a, std::string_view b) { return Sign(CompareFolded(a, b, AnsiUpperChar)); }

int AnsiCompareStr(std::string_view a, std::string_view b) { return Sign(CompareStr(a, b)); }

bool AnsiSameText(std::string_view a, std::string_view b) { return a.size() == b.size() && AnsiCompareText(a, b) == 0; }

std::string IntToStr(int64_t value) { return std::to_string(value); }

std::string IntToHex(int64_t value, int digits) {
  std::string r = UnsignedDigits(AsUnsigned(value), 16, true);
  if (value < 0) {
    size_t width = value >= std::numeric_limits<int32_t>::min() ? 8 : 16;
    if (r.size() < width) r.insert(0, width - r.size(), 'F');
  }
  if (digits > 0 && r.size() < static_cast<size_t>(digits)) r.insert(0, static_cast<size_t>(digits) - r.size(), '0');
  return r;
}

int32_t StrToInt(std::string_view s) {
  int32_t v;
  if (!TryStrToInt(s, v)) throw EConvertError("'" + std::string(s) + "' is not a valid integer value");
  return v;
}

int32_t StrToIntDef(std::string_view s, int32_t defaultValue) {
  int32_t v;
  return TryStrToInt(s, v) ? v : defaultValue;
}

bool TryStrToInt(std::string_view s, int32_t& value) {
  int64_t v;
  if (!ParseInteger(s, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max(), 0xFFFFFFFFull, v))
    return false;
  value = static_cast<int32_t>(v);
  return true;
}

int64_t StrToInt64Def(std::string_view s, int64_t defaultValue) {
  int64_t v;
  if (!ParseInteger(s, std::numeric_limits<int64_t>::min(), std::numeric_limits<int64_t>::max(),
                    std::numeric_limits<uint64_t>::max(), v))
    return defaultValue;
  return v;
}

double StrToFloat(std::string_view s) {
  double v;
  if (!TryStrToFloat(s, v)) throw EConvertError("'" + std::string(s) + "' is not a valid floating point value");
  return v;
}

bool TryStrToFloat(std::string_view s, double& value) {
  // Checked by hand so that only [sign] digits [. digits] [e [sign] digits] is accepted (no "inf", no hex
  // floats); the conversion itself ignores the locale.
  std::string_view t = TrimView(s);
  size_t i = 0;
  bool negative = false;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) negative = t[i++] == '-';
  size_t start = i;
  size_t mantissaDigits = 0;
  while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i, ++mantissaDigits;
  if (i < t.size() && t[i] == '.') {
    ++i;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i, ++mantissaDigits;
  }
  if (mantissaDigits == 0) return false;
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    size_t expDigits = 0;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i, ++expDigits;
    if (expDigits == 0) return false;
  }
  if (i != t.size()) return false;
  std::string body(t.substr(start));
  if (!body.empty() && body[0] == '.') body.insert(0, "0");
  // from_chars rejects an exponent sign "+"; drop it.
  size_t ePos = body.find_first_of("eE");
  if (ePos != std::string::npos && ePos + 1 < body.size() && body[ePos + 1] == '+') body.erase(ePos + 1, 1);
  double v = 0;
  auto res = std::from_chars(body.data(), body.data() + body.size(), v, std::chars_format::general);
  if (res.ec != std::errc() || res.ptr != body.data() + body.size()) return false;
  value = negative ? -v : v;
  return true;
}

std::string Format(std::string_view format, std::initializer_list<FormatValue> args) {
  std::string out;
  const FormatValue* arg = args.begin();
  size_t i = 0;
  while (i < format.size()) {
    char c = format[i++];
    if (c != '%') {
      out.push_back(c);
      continue;
    }
    if (i < format.size() && format[i] == '%') {
      out.push_back('%');
      ++i;
      continue;
    }
    bool left = false;
    if (i < format.size() && format[i] == '-') {
      left = true;
      ++i;
    }
    int width = 0;
    while (i < format.size() && format[i] >= '0' && format[i] <= '9') {
      width = width * 10 + (format[i++] - '0');
      if (width > 100000) FormatError(format);
    }
    int precision = -1;
    if (i < format.size() && format[i] == '.') {
      ++i;
      precision = 0;
      while (i < format.size() && format[i] >= '0' && format[i] <= '9') {
        precision = precision * 10 + (format[i++] - '0');
        if (precision > 100000) FormatError(format);
      }
    }
    if (i >= format.size() || arg == args.end()) FormatError(format);
    char directive = format[i++];
    const FormatArg& value = (arg++)->value;
    std::string text;
    switch (directive) {
      case 'd':
      case 'D':
      case 'u':
      case 'U':
      case 'x':
      case 'X': {
        const int64_t* n = std::get_if<int64_t>(&value);
        if (n == nullptr) FormatError(format);
        bool negative = false;
        char lower = AsciiLower(directive);
        if (lower == 'd') {
          negative = *n < 0;
          text = UnsignedDigits(negative ? 0ull - static_cast<uint64_t>(*n) : static_cast<uint64_t>(*n), 10, false);
        } else {
          // Hexadecimal digits are upper case for both %x and %X, as in the classic routine.
          text = UnsignedDigits(AsUnsigned(*n), lower == 'u' ? 10 : 16, true);
        }
        if (precision > 0 && text.size() < static_cast<size_t>(precision))
          text.insert(0, static_cast<size_t>(precision) - text.size(), '0');
        if (negative) text.insert(0, "-");
        break;
      }
      case 's':
      case 'S': {
        const std::string_view* sv = std::get_if<std::string_view>(&value);
        if (sv == nullptr) FormatError(format);
        text = std::string(precision >= 0 && static_cast<size_t>(precision) < sv->size()
                               ? sv->substr(0, static_cast<size_t>(precision))
                               : *sv);
        break;
      }
      case 'f':
      case 'F':
      case 'e':
      case 'E':
      case 'g':
      case 'G': {
        const double* d = std::get_if<double>(&value);
        if (d == nullptr) FormatError(format);
        text = FormatFloat(*d, AsciiLower(directive), precision);
        break;
      }
      default:
        FormatError(format);
    }
    if (text.size() < static_cast<size_t>(width)) {
      size_t pad = static_cast<size_t>(width) - text.size();
      if (left) {
        text.append(pad, ' ');
      } else {
        text.insert(0, pad, ' ');
      }
    }
    out += text;
  }
  return out;
}

std::string StringReplaceAll(std::string_view s, std::string_view from, std::string_view to, bool ignoreCase) {
  if (from.empty()) return std::string(s);
  std::string out;
  out.reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    bool match = i + from.size() <= s.size();
    if (match) {
      std::string_view here = s.substr(i, from.size());
      match = ignoreCase ? AnsiSameText(here, from) : here == from;
    }
    if (match) {
      out.append(to);
      i += from.size();
    } else {
      out.push_back(s[i++]);
    }
  }
  return out;
}

}  // namespace pf
