#include "platform/core/codepage.h"

#include <iconv.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>

#include "platform/core/exceptions.h"

namespace pf {

namespace {

// Windows-1252, 0x80-0x9F. The five positions the code page leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to
// the C1 control of the same number, as the system's own conversion does.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

// Code page 437, 0x80-0xFF.
constexpr char16_t kCp437High[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,  // 80-87
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,  // 88-8F
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,  // 90-97
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192,  // 98-9F
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,  // A0-A7
    0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,  // A8-AF
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556,  // B0-B7
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,  // B8-BF
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,  // C0-C7
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,  // C8-CF
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,  // D0-D7
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,  // D8-DF
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,  // E0-E7
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229,  // E8-EF
    0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,  // F0-F7
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,  // F8-FF
};

// Decodes one UTF-8 sequence at s[i] and advances i. A malformed, truncated or overlong sequence, a surrogate or a
// value beyond U+10FFFF yields -1 and skips the lead byte with the continuation bytes that belonged to it, so that
// one broken character costs one replacement.
long DecodeUtf8(std::string_view s, size_t& i) {
  unsigned char c = static_cast<unsigned char>(s[i]);
  if (c < 0x80) {
    ++i;
    return c;
  }
  size_t extra;
  long cp;
  long minimum;
  if ((c & 0xE0) == 0xC0) {
    extra = 1, cp = c & 0x1F, minimum = 0x80;
  } else if ((c & 0xF0) == 0xE0) {
    extra = 2, cp = c & 0x0F, minimum = 0x800;
  } else if ((c & 0xF8) == 0xF0) {
    extra = 3, cp = c & 0x07, minimum = 0x10000;
  } else {
    ++i;
    return -1;
  }
  size_t k = 1;
  for (; k <= extra && i + k < s.size(); ++k) {
    unsigned char t = static_cast<unsigned char>(s[i + k]);
    if ((t & 0xC0) != 0x80) break;
    cp = (cp << 6) | (t & 0x3F);
  }
  i += k;
  if (k <= extra || cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return -1;
  return cp;
}

// An iconv descriptor; Ok() is false when iconv does not know one of the names.
class Iconv {
 public:
  Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Iconv() {
    if (Ok()) iconv_close(cd_);
  }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;
  bool Ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

// Runs in through cd and appends the result to out. At an input sequence the converter rejects (or a truncated
// one at the end) onBad(inPtr, inLeft) appends a substitute and moves past it.
template <typename OnBad>
void RunIconv(iconv_t cd, std::string_view in, std::string& out, OnBad onBad) {
  char* inPtr = const_cast<char*>(in.data());
  size_t inLeft = in.size();
  char buffer[4096];
  while (inLeft > 0) {
    char* outPtr = buffer;
    size_t outLeft = sizeof(buffer);
    size_t r = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    int error = errno;
    out.append(buffer, static_cast<size_t>(outPtr - buffer));
    if (r == static_cast<size_t>(-1) && error != E2BIG && inLeft > 0) onBad(inPtr, inLeft);
  }
  // Complete any shift state of the target.
  for (;;) {
    char* outPtr = buffer;
    size_t outLeft = sizeof(buffer);
    size_t r = iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
    int error = errno;
    out.append(buffer, static_cast<size_t>(outPtr - buffer));
    if (r != static_cast<size_t>(-1) || error != E2BIG) break;
  }
}

// Converts in as one whole unit; false when the converter rejects it or leaves part of it.
bool IconvOne(iconv_t cd, std::string_view in, std::string& out) {
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char* inPtr = const_cast<char*>(in.data());
  size_t inLeft = in.size();
  char buffer[32];
  char* outPtr = buffer;
  size_t outLeft = sizeof(buffer);
  if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1) || inLeft != 0) return false;
  iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
  out.append(buffer, static_cast<size_t>(outPtr - buffer));
  return true;
}

constexpr char16_t kReplacementCharacter = 0xFFFD;

struct CharsetCodePage {
  int charset;
  int codePage;
};
// The Windows font character sets and the code pages of their text.
constexpr CharsetCodePage kCharsetCodePages[] = {
    {0, 1252},   {2, CodePageSymbol}, {77, 10000}, {128, 932},  {129, 949},  {130, 1361},
    {134, 936},  {136, 950},          {161, 1253}, {162, 1254}, {163, 1258}, {177, 1255},
    {178, 1256}, {186, 1257},         {204, 1251}, {222, 874},  {238, 1250}, {255, 850},
};

bool IsDoubleByteCodePage(int codePage) {
  return codePage == 932 || codePage == 936 || codePage == 949 || codePage == 950 || codePage == 1361;
}

// Lead bytes of the double-byte code pages.
bool IsLeadByte(int codePage, uint8_t b) {
  switch (codePage) {
    case 932:
      return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    case 936:
    case 949:
    case 950:
      return b >= 0x81 && b <= 0xFE;
    case 1361:
      return (b >= 0x84 && b <= 0xD3) || (b >= 0xD8 && b <= 0xDE) || (b >= 0xE0 && b <= 0xF9);
    default:
      return false;
  }
}

std::string IconvName(int codePage) { return codePage == 10000 ? "MACINTOSH" : "CP" + std::to_string(codePage); }

bool KnownToIconv(int codePage) {
  static std::mutex mutex;
  static std::map<int, bool> known;
  std::lock_guard<std::mutex> lock(mutex);
  auto it = known.find(codePage);
  if (it == known.end()) it = known.emplace(codePage, Iconv("UTF-32LE", IconvName(codePage).c_str()).Ok()).first;
  return it->second;
}

void AppendCodePoint(std::u16string& out, char32_t cp) {
  if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    out.push_back(kReplacementCharacter);
  } else if (cp >= 0x10000) {
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  } else {
    out.push_back(static_cast<char16_t>(cp));
  }
}

// UTF-32LE bytes appended to out as UTF-16.
void AppendUtf32(std::u16string& out, std::string_view utf32) {
  for (size_t k = 0; k + 4 <= utf32.size(); k += 4) {
    char32_t cp = 0;
    for (int b = 3; b >= 0; --b) cp = (cp << 8) | static_cast<uint8_t>(utf32[k + static_cast<size_t>(b)]);
    AppendCodePoint(out, cp);
  }
}

// The 256 characters of a single-byte code page through iconv, built once per code page.
const std::array<char16_t, 256>& SingleByteTable(int codePage) {
  static std::mutex mutex;
  static std::map<int, std::unique_ptr<std::array<char16_t, 256>>> tables;
  std::lock_guard<std::mutex> lock(mutex);
  auto& table = tables[codePage];
  if (!table) {
    table = std::make_unique<std::array<char16_t, 256>>();
    Iconv decode("UTF-32LE", IconvName(codePage).c_str());
    for (int b = 0; b < 256; ++b) {
      std::string utf32;
      std::u16string unit;
      if (decode.Ok() && IconvOne(decode.get(), std::string(1, static_cast<char>(b)), utf32)) AppendUtf32(unit, utf32);
      (*table)[static_cast<size_t>(b)] = unit.size() == 1 ? unit[0] : kReplacementCharacter;
    }
  }
  return *table;
}

// One character appended to out with the index of its first byte.
void Put(std::u16string& out, std::vector<int>* firstByte, size_t index, char16_t c) {
  out.push_back(c);
  if (firstByte) firstByte->push_back(static_cast<int>(index));
}

void DecodeUtf8Text(std::string_view bytes, std::u16string& out, std::vector<int>* firstByte) {
  size_t i = 0;
  while (i < bytes.size()) {
    size_t start = i;
    long cp = DecodeUtf8(bytes, i);
    AppendCodePoint(out, cp < 0 ? kReplacementCharacter : static_cast<char32_t>(cp));
    if (firstByte) firstByte->resize(out.size(), static_cast<int>(start));
  }
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

// Exactly the characters that 1252 decodes to; anything else is replacement.
char EncodeCp1252(char32_t c, char replacement) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
  for (int k = 0; k < 32; ++k)
    if (kCp1252High[k] == c) return static_cast<char>(0x80 + k);
  return replacement;
}

// Double-byte code pages, one character at a time: a lead byte with the byte after it, else one byte. A pair the
// code page does not define gives U+FFFD for the lead byte alone, so that an ASCII byte after it survives.
void DecodeDoubleByte(std::string_view bytes, int codePage, std::u16string& out, std::vector<int>* firstByte) {
  Iconv decode("UTF-32LE", IconvName(codePage).c_str());
  size_t i = 0;
  while (i < bytes.size()) {
    uint8_t b = static_cast<uint8_t>(bytes[i]);
    if (b < 0x80) {
      Put(out, firstByte, i, b);
      ++i;
      continue;
    }
    size_t length = IsLeadByte(codePage, b) && i + 1 < bytes.size() ? 2 : 1;
    std::string utf32;
    if (!IconvOne(decode.get(), bytes.substr(i, length), utf32) || utf32.empty()) {
      utf32.clear();
      length = 1;
      if (!IconvOne(decode.get(), bytes.substr(i, 1), utf32) || utf32.empty()) utf32 = std::string("\xFD\xFF\0\0", 4);
    }
    std::u16string units;
    AppendUtf32(units, utf32);
    for (char16_t u : units) Put(out, firstByte, i, u);
    i += length;
  }
}

}  // namespace

std::u16string Latin1ToUtf16(std::string_view s) {
  std::u16string r;
  r.reserve(s.size());
  for (char c : s) r.push_back(static_cast<unsigned char>(c));
  return r;
}

std::string Utf16ToLatin1(std::u16string_view s, char replacement) {
  std::string r;
  r.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    char16_t c = s[i];
    if (c <= 0xFF) {
      r.push_back(static_cast<char>(c));
    } else {
      // A surrogate pair is one character, so it gets one replacement.
      if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) ++i;
      r.push_back(replacement);
    }
  }
  return r;
}

std::string Latin1ToUtf8(std::string_view s) {
  std::string r;
  r.reserve(s.size() + s.size() / 8);
  for (char c : s) {
    unsigned char u = static_cast<unsigned char>(c);
    if (u < 0x80) {
      r.push_back(c);
    } else {
      r.push_back(static_cast<char>(0xC0 | (u >> 6)));
      r.push_back(static_cast<char>(0x80 | (u & 0x3F)));
    }
  }
  return r;
}

std::string Utf8ToLatin1(std::string_view s, char replacement) {
  std::string r;
  r.reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    long cp = DecodeUtf8(s, i);
    r.push_back(cp >= 0 && cp <= 0xFF ? static_cast<char>(cp) : replacement);
  }
  return r;
}

char16_t Cp1252ToUnicode(uint8_t c) { return c >= 0x80 && c <= 0x9F ? kCp1252High[c - 0x80] : char16_t{c}; }

std::u16string Cp1252ToUtf16(std::string_view s) {
  std::u16string r;
  r.reserve(s.size());
  for (char c : s) r.push_back(Cp1252ToUnicode(static_cast<uint8_t>(c)));
  return r;
}

std::string Utf16ToCp1252(std::u16string_view s, char replacement) {
  return Utf16ToCodePage(s, SystemCodePage, replacement);
}

char16_t Cp437ToUnicode(uint8_t c) { return c >= 0x80 ? kCp437High[c - 0x80] : char16_t{c}; }

std::string Cp437ToLatin1(std::string_view s, char replacement) {
  std::string r;
  r.reserve(s.size());
  for (char c : s) {
    char16_t u = Cp437ToUnicode(static_cast<uint8_t>(c));
    r.push_back(u <= 0xFF ? static_cast<char>(u) : replacement);
  }
  return r;
}

std::string ConvertCharset(std::string_view bytes, const char* fromCharset, const char* toCharset) {
  // Two steps through UTF-32 so that each character the target lacks is known and becomes exactly one "?".
  auto refuse = [&] {
    throw EConvertError(std::string("Cannot convert from character set '") + (fromCharset ? fromCharset : "") +
                        "' to '" + (toCharset ? toCharset : "") + "'");
  };
  if (fromCharset == nullptr || toCharset == nullptr) refuse();
  Iconv decode("UTF-32LE", fromCharset), encode(toCharset, "UTF-32LE");
  if (!decode.Ok() || !encode.Ok()) refuse();
  static constexpr char kQuestion[4] = {'?', 0, 0, 0};
  std::string wide;
  RunIconv(decode.get(), bytes, wide, [&](char*& in, size_t& left) {
    wide.append(kQuestion, 4);
    ++in;
    --left;
  });
  // "?" in the target's own bytes, from a converter of its own so that the text's keeps its initial state.
  std::string question;
  Iconv questionEncode(toCharset, "UTF-32LE");
  RunIconv(questionEncode.get(), std::string_view(kQuestion, 4), question, [](char*& in, size_t& left) {
    in += left;
    left = 0;
  });
  std::string out;
  RunIconv(encode.get(), wide, out, [&](char*& in, size_t& left) {
    out += question;
    size_t step = left < 4 ? left : 4;
    in += step;
    left -= step;
  });
  return out;
}

int CharsetToCodePage(int charset) {
  for (const auto& row : kCharsetCodePages)
    if (row.charset == charset) return row.codePage;
  return SystemCodePage;
}

std::u16string CodePageToUtf16(std::string_view bytes, int codePage, std::vector<int>* firstByte) {
  std::u16string out;
  out.reserve(bytes.size());
  if (firstByte) {
    firstByte->clear();
    firstByte->reserve(bytes.size());
  }
  if (codePage == CodePageUtf8) {
    DecodeUtf8Text(bytes, out, firstByte);
    return out;
  }
  if (codePage != SystemCodePage && codePage != CodePageSymbol && !KnownToIconv(codePage)) codePage = SystemCodePage;
  if (IsDoubleByteCodePage(codePage)) {
    DecodeDoubleByte(bytes, codePage, out, firstByte);
    return out;
  }
  const std::array<char16_t, 256>* table =
      codePage == SystemCodePage || codePage == CodePageSymbol ? nullptr : &SingleByteTable(codePage);
  for (size_t i = 0; i < bytes.size(); ++i) {
    uint8_t b = static_cast<uint8_t>(bytes[i]);
    char16_t c = table                        ? (*table)[b]
                 : codePage == CodePageSymbol ? static_cast<char16_t>(b < 0x20 ? b : 0xF000 + b)
                                              : Cp1252ToUnicode(b);
    Put(out, firstByte, i, c);
  }
  return out;
}

std::string Utf16ToCodePage(std::u16string_view text, int codePage, char replacement) {
  const bool own = codePage == SystemCodePage || codePage == CodePageSymbol || codePage == CodePageUtf8;
  if (!own && !KnownToIconv(codePage)) return Utf16ToCodePage(text, SystemCodePage, replacement);
  std::unique_ptr<Iconv> encode;
  if (!own) encode = std::make_unique<Iconv>(IconvName(codePage).c_str(), "UTF-32LE");
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      out.push_back(replacement);
      continue;
    }
    if (codePage == CodePageUtf8) {
      AppendUtf8(out, c);
    } else if (codePage == CodePageSymbol) {
      out.push_back(c < 0x20 || (c >= 0xF020 && c <= 0xF0FF) ? static_cast<char>(c & 0xFF) : replacement);
    } else if (codePage == SystemCodePage) {
      out.push_back(EncodeCp1252(c, replacement));
    } else {
      const char utf32[4] = {static_cast<char>(c & 0xFF), static_cast<char>((c >> 8) & 0xFF),
                             static_cast<char>((c >> 16) & 0xFF), 0};
      if (!IconvOne(encode->get(), std::string_view(utf32, 4), out)) out.push_back(replacement);
    }
  }
  return out;
}

int CharByteCount(std::string_view text, int codePage) {
  if (text.empty() || text[0] == 0) return 0;
  uint8_t b = static_cast<uint8_t>(text[0]);
  int length = 1;
  if (codePage == CodePageUtf8) {
    length = b >= 0xC0 && b <= 0xDF ? 2 : b >= 0xE0 && b <= 0xEF ? 3 : b >= 0xF0 && b <= 0xF7 ? 4 : 1;
  } else if (IsLeadByte(codePage, b) && text.size() > 1 && text[1] != 0) {
    length = 2;
  }
  return length < static_cast<int>(text.size()) ? length : static_cast<int>(text.size());
}

}  // namespace pf
