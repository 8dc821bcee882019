#include "platform/core/datetime.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <array>
#include <clocale>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/core/exceptions.h"
#include "platform/core/strings.h"
#include "tests/platform/core/test_helpers.h"

namespace {

// 2026-12-06 17:05:09.042
pf::TDateTime Sample() { return pf::EncodeDate(2026, 12, 6) + pf::EncodeTime(17, 5, 9, 42); }

TEST(DateTime, EncodeDateCountsDaysFrom18991230) {
  EXPECT_EQ(pf::EncodeDate(1899, 12, 30), 0.0);
  // Walk every day from 1600 to 2400 with an independent calendar and check both directions.
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  double expected = pf::EncodeDate(1600, 1, 1);
  for (int y = 1600; y < 2400; ++y) {
    bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    ASSERT_EQ(pf::IsLeapYear(y), leap) << y;
    for (int m = 1; m <= 12; ++m) {
      int days = kDays[m - 1] + (m == 2 && leap ? 1 : 0);
      for (int d = 1; d <= days; ++d, expected += 1) {
        ASSERT_EQ(pf::EncodeDate(y, m, d), expected) << y << "-" << m << "-" << d;
        if (expected < 0) continue;
        int yy, mm, dd;
        pf::DecodeDate(expected + 0.75, yy, mm, dd);
        ASSERT_EQ(yy * 10000 + mm * 100 + dd, y * 10000 + m * 100 + d);
      }
    }
  }

  for (auto bad : {std::array{2026, 2, 29}, std::array{2026, 13, 1}, std::array{2026, 0, 1}, std::array{0, 1, 1},
                   std::array{10000, 1, 1}, std::array{2026, 4, 31}, std::array{2026, 1, 0}, std::array{1900, 2, 29}}) {
    EXPECT_THROW(pf::EncodeDate(bad[0], bad[1], bad[2]), pf::EConvertError);
  }
}

TEST(DateTime, TimeEncodingAndRoundingToTheMillisecond) {
  int h, n, s, z;
  pf::DecodeTime(Sample(), h, n, s, z);
  EXPECT_EQ(std::to_string(h) + ":" + std::to_string(n) + ":" + std::to_string(s) + "." + std::to_string(z),
            "17:5:9.42");
  EXPECT_DOUBLE_EQ(pf::EncodeTime(12, 0, 0, 0), 0.5);
  for (auto bad :
       {std::array{24, 0, 0, 0}, std::array{0, 60, 0, 0}, std::array{0, 0, 60, 0}, std::array{0, 0, 0, 1000}}) {
    EXPECT_THROW(pf::EncodeTime(bad[0], bad[1], bad[2], bad[3]), pf::EConvertError);
  }

  // Less than half a millisecond before midnight is midnight of the next day, never hour 24.
  pf::TDateTime late = pf::EncodeDate(2026, 12, 31) + 0.9999999999;
  int y, m, d;
  pf::DecodeDate(late, y, m, d);
  pf::DecodeTime(late, h, n, s, z);
  EXPECT_EQ(y * 10000 + m * 100 + d, 20270101);
  EXPECT_EQ(h + n + s + z, 0);
  EXPECT_EQ(pf::FormatDateTime("dd.mm.yyyy hh:nn:ss.zzz", late), "01.01.2027 00:00:00.000");
}

TEST(DateTime, FormatDateTimeDirectives) {
  // "mm" right after an hour (quoted text between included) means minutes, otherwise the month; an unclosed
  // literal runs to the end.
  EXPECT_EQ(pf::test::JoinEach([](std::string_view f) { return pf::FormatDateTime(f, Sample()); },
                               {"dd.mm.yyyy hh:nn:ss", "dd.mm.yyyy  hh:mm:ss", "d/m/yy h-n-s z zzz", "DD.MM.YYYY",
                                "hh 'Uhr' mm", "\"dd\" dd", "h x mm", "mm hh", "'open", ""}),
            "06.12.2026 17:05:09|06.12.2026  17:05:09|6/12/26 17-5-9 42 042|06.12.2026|17 Uhr 05|dd 06|17 x 12|12 "
            "17|open|");
  EXPECT_EQ(pf::FormatDateTime("yyyy-mm-dd", pf::EncodeDate(5, 3, 1)), "0005-03-01");
}

// Sets a German locale: an installed one, else one compiled with localedef into a temporary folder (setlocale
// reads LOCPATH on every call). Returns its name, or nullptr when neither works.
const char* SetGermanLocale() {
  for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE@euro", "de_DE"})
    if (std::setlocale(LC_ALL, name) != nullptr) return name;
  std::string dir = testing::TempDir() + "core_tests_locale_" + std::to_string(getpid());
  std::string command = "localedef -i de_DE -f UTF-8 " + dir + "/de_DE.UTF-8 >/dev/null 2>&1";
  if (std::system(("mkdir -p " + dir).c_str()) != 0 || std::system(command.c_str()) != 0) return nullptr;
  setenv("LOCPATH", dir.c_str(), 1);
  const char* result = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr ? "de_DE.UTF-8 (generated)" : nullptr;
  unsetenv("LOCPATH");
  std::system(("rm -rf " + dir).c_str());  // the loaded locale stays mapped
  return result;
}

// The output never depends on the locale: a German locale has "," as decimal and may use other date separators.
TEST(DateTime, FormattingIgnoresTheLocale) {
  auto render = [] {
    return pf::FormatDateTime("dd.mm.yyyy  hh:mm:ss", Sample()) + "|" + pf::Format("%.2f|%g", {2.5, 0.25});
  };
  std::string saved = std::setlocale(LC_ALL, nullptr);
  ASSERT_NE(std::setlocale(LC_ALL, "C"), nullptr);
  const std::string inC = render();
  EXPECT_EQ(inC, "06.12.2026  17:05:09|2.50|0.25");

  const char* german = SetGermanLocale();
  if (german == nullptr) {
    std::setlocale(LC_ALL, saved.c_str());
    GTEST_SKIP() << "no German locale installed and none could be generated with localedef; only the C-locale "
                    "half ran";
  }
  char probe[16];
  std::snprintf(probe, sizeof(probe), "%.1f", 1.5);
  EXPECT_STREQ(probe, "1,5") << "the C library does follow the German locale";
  const std::string inGerman = render();
  double parsed = 0;
  bool parsedOk = pf::TryStrToFloat("1.5", parsed);
  std::setlocale(LC_ALL, saved.c_str());
  EXPECT_EQ(inGerman, inC) << "under " << german;
  EXPECT_TRUE(parsedOk);
  EXPECT_EQ(parsed, 1.5);
}

TEST(DateTime, InjectedClock) {
  pf::SetNowFunction([] { return Sample(); });
  EXPECT_EQ(pf::Now(), Sample());
  EXPECT_EQ(pf::Date(), pf::EncodeDate(2026, 12, 6));
  EXPECT_NEAR(pf::Time(), pf::EncodeTime(17, 5, 9, 42), 1e-9);
  pf::SetNowFunction(nullptr);
  // The system clock again: some date after this code was written.
  EXPECT_GT(pf::Now(), pf::EncodeDate(2024, 1, 1));
  EXPECT_LT(pf::Now() - pf::Date(), 1.0);
}

TEST(DateTime, DosDateTimePacking) {
  // (2026-1980)<<25 | 12<<21 | 6<<16 | 17<<11 | 5<<5 | 9/2
  // = 46*33554432 + 12*2097152 + 6*65536 + 17*2048 + 5*32 + 4 = 1543503872 + 25165824 + 393216 + 34816 + 160 + 4
  const uint32_t packed = 1569097892u;
  EXPECT_EQ(pf::PackDosDateTime(2026, 12, 6, 17, 5, 9), packed);
  int y, m, d, h, n, s;
  pf::UnpackDosDateTime(packed, y, m, d, h, n, s);
  EXPECT_EQ((std::array{y, m, d, h, n, s}), (std::array{2026, 12, 6, 17, 5, 8}));  // two-second steps

  EXPECT_EQ(pf::DateTimeToFileDate(Sample()), static_cast<int32_t>(packed));
  EXPECT_EQ(pf::FileDateToDateTime(static_cast<int32_t>(packed)),
            pf::EncodeDate(2026, 12, 6) + pf::EncodeTime(17, 5, 8, 0));

  // Outside 1980..2107 the nearest end of the range, not wrapped bits.
  pf::UnpackDosDateTime(pf::PackDosDateTime(1970, 6, 15, 12, 0, 0), y, m, d, h, n, s);
  EXPECT_EQ((std::array{y, m, d, h, n, s}), (std::array{1980, 1, 1, 0, 0, 0}));
  pf::UnpackDosDateTime(pf::PackDosDateTime(2200, 6, 15, 12, 0, 0), y, m, d, h, n, s);
  EXPECT_EQ((std::array{y, m, d, h, n, s}), (std::array{2107, 12, 31, 23, 59, 58}));

  // A damaged stamp (month 0; hour 31) is reported, not turned into some date.
  EXPECT_THROW(pf::FileDateToDateTime(0), pf::EConvertError);
  EXPECT_THROW(pf::FileDateToDateTime(static_cast<int32_t>((46u << 25) | (1u << 21) | (1u << 16) | (31u << 11))),
               pf::EConvertError);
}

}  // namespace
