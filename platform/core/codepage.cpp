#include "platform/core/codepage.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <iterator>

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
  std::string r;
  r.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    char16_t c = s[i];
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
      r.push_back(static_cast<char>(c));
      continue;
    }
    const char16_t* high = std::find(std::begin(kCp1252High), std::end(kCp1252High), c);
    if (high != std::end(kCp1252High)) {
      r.push_back(static_cast<char>(0x80 + (high - std::begin(kCp1252High))));
      continue;
    }
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) ++i;
    r.push_back(replacement);
  }
  return r;
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

}  // namespace pf
