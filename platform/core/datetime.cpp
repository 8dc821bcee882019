#include "platform/core/datetime.h"

#include <time.h>

#include <cmath>

#include "platform/core/exceptions.h"

namespace pf {

namespace {

constexpr int64_t kMsPerDay = 86400000;
// Days from 0001-01-01 (day 1) to 1899-12-30 (TDateTime 0).
constexpr int kDateDelta = 693594;

std::function<TDateTime()>& NowFunction() {
  static std::function<TDateTime()> now;
  return now;
}

TDateTime SystemNow() {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  tm local{};
  time_t seconds = ts.tv_sec;
  localtime_r(&seconds, &local);
  return EncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday) +
         EncodeTime(local.tm_hour, local.tm_min, local.tm_sec > 59 ? 59 : local.tm_sec,
                    static_cast<int>(ts.tv_nsec / 1000000));
}

int DaysInMonth(int year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Splits a TDateTime into its day number and the milliseconds of that day. The time is rounded to the nearest
// millisecond; a time that rounds up to a full day moves to 00:00 of the next day, so that 23:59:59.9999 never
// decodes as hour 24. Dates before 1899-12-30 keep the classic reading: the integral part is the day and the
// fraction's magnitude the time.
void Split(TDateTime dateTime, int64_t& day, int64_t& ms) {
  if (!std::isfinite(dateTime) || std::fabs(dateTime) > 3e6) {
    day = -kDateDelta;  // outside 0001..9999: decodes as zero fields
    ms = 0;
    return;
  }
  double whole = std::trunc(dateTime);
  day = static_cast<int64_t>(whole);
  ms = static_cast<int64_t>(std::llround(std::fabs(dateTime - whole) * kMsPerDay));
  if (ms >= kMsPerDay) {
    ms -= kMsPerDay;
    ++day;
  }
}

void DayToDate(int64_t day, int& year, int& month, int& dayOfMonth) {
  int64_t n = day + kDateDelta;  // days since 0001-01-01, 1-based
  if (n <= 0 || n > 3652059) {   // 3652059 = 9999-12-31
    year = month = dayOfMonth = 0;
    return;
  }
  --n;
  int64_t y400 = n / 146097;
  n %= 146097;
  int64_t y100 = n / 36524;
  n %= 36524;
  if (y100 == 4) {  // last day of a 400-year cycle
    y100 = 3;
    n += 36524;
  }
  int64_t y4 = n / 1461;
  n %= 1461;
  int64_t y1 = n / 365;
  n %= 365;
  if (y1 == 4) {  // last day of a leap year
    y1 = 3;
    n += 365;
  }
  year = static_cast<int>(y400 * 400 + y100 * 100 + y4 * 4 + y1 + 1);
  month = 1;
  while (n >= DaysInMonth(year, month)) {
    n -= DaysInMonth(year, month);
    ++month;
  }
  dayOfMonth = static_cast<int>(n) + 1;
}

void MsToTime(int64_t ms, int& hour, int& minute, int& second, int& millisecond) {
  hour = static_cast<int>(ms / 3600000);
  minute = static_cast<int>(ms / 60000 % 60);
  second = static_cast<int>(ms / 1000 % 60);
  millisecond = static_cast<int>(ms % 1000);
}

void AppendNumber(std::string& out, int value, int width) {
  std::string digits = std::to_string(value);
  if (static_cast<int>(digits.size()) < width) out.append(static_cast<size_t>(width) - digits.size(), '0');
  out += digits;
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

TDateTime Now() {
  const auto& now = NowFunction();
  return now ? now() : SystemNow();
}

TDateTime Date() { return std::trunc(Now()); }

TDateTime Time() {
  TDateTime now = Now();
  return std::fabs(now - std::trunc(now));
}

void SetNowFunction(std::function<TDateTime()> now) { NowFunction() = std::move(now); }

bool IsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

TDateTime EncodeDate(int year, int month, int day) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
    throw EConvertError("Invalid argument to date encode");
  int dayOfYear = day;
  for (int m = 1; m < month; ++m) dayOfYear += DaysInMonth(year, m);
  int y = year - 1;
  return static_cast<TDateTime>(y * 365 + y / 4 - y / 100 + y / 400 + dayOfYear - kDateDelta);
}

TDateTime EncodeTime(int hour, int minute, int second, int millisecond) {
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || millisecond < 0 ||
      millisecond > 999)
    throw EConvertError("Invalid argument to time encode");
  return static_cast<TDateTime>(hour * 3600000 + minute * 60000 + second * 1000 + millisecond) / kMsPerDay;
}

void DecodeDate(TDateTime dateTime, int& year, int& month, int& day) {
  int64_t d, ms;
  Split(dateTime, d, ms);
  DayToDate(d, year, month, day);
}

void DecodeTime(TDateTime dateTime, int& hour, int& minute, int& second, int& millisecond) {
  int64_t d, ms;
  Split(dateTime, d, ms);
  MsToTime(ms, hour, minute, second, millisecond);
}

std::string FormatDateTime(std::string_view format, TDateTime dateTime) {
  int64_t d, ms;
  Split(dateTime, d, ms);
  int year, month, day, hour, minute, second, millisecond;
  DayToDate(d, year, month, day);
  MsToTime(ms, hour, minute, second, millisecond);

  std::string out;
  char lastDirective = 0;  // the letter of the previous directive; literals in between do not reset it
  size_t i = 0;
  while (i < format.size()) {
    char c = format[i];
    char letter = Lower(c);
    size_t run = 1;
    while (i + run < format.size() && Lower(format[i + run]) == letter) ++run;
    switch (letter) {
      case 'y':
        if (run >= 3) {
          AppendNumber(out, year, 4);
        } else {
          AppendNumber(out, year % 100, 2);
        }
        i += run;
        break;
      case 'd':
      case 'm':
      case 'h':
      case 'n':
      case 's': {
        size_t used = run >= 2 ? 2 : 1;
        int value = 0;
        char effective = letter == 'm' && lastDirective == 'h' ? 'n' : letter;
        switch (effective) {
          case 'd':
            value = day;
            break;
          case 'm':
            value = month;
            break;
          case 'h':
            value = hour;
            break;
          case 'n':
            value = minute;
            break;
          default:
            value = second;
            break;
        }
        AppendNumber(out, value, static_cast<int>(used));
        i += used;
        break;
      }
      case 'z':
        if (run >= 3) {
          AppendNumber(out, millisecond, 3);
          i += 3;
        } else {
          AppendNumber(out, millisecond, 1);
          i += 1;
        }
        break;
      case '"':
      case '\'': {
        // A quoted literal, copied without its quotes; an unclosed one runs to the end.
        size_t close = format.find(c, i + 1);
        size_t end = close == std::string_view::npos ? format.size() : close;
        out.append(format.substr(i + 1, end - i - 1));
        i = close == std::string_view::npos ? format.size() : close + 1;
        continue;
      }
      default:
        // Any other character is copied; a letter still counts as the previous directive, so "h" followed by
        // another letter and then "m" gives the month.
        out.push_back(c);
        ++i;
        if (letter >= 'a' && letter <= 'z') lastDirective = letter;
        continue;
    }
    lastDirective = letter;
  }
  return out;
}

uint32_t PackDosDateTime(int year, int month, int day, int hour, int minute, int second) {
  // The format spans 1980 to 2107; a time outside is clamped to the nearest end rather than wrapped.
  if (year < 1980) return (1u << 21) | (1u << 16);  // 1980-01-01 00:00:00
  if (year > 2107) return (127u << 25) | (12u << 21) | (31u << 16) | (23u << 11) | (59u << 5) | 29u;
  return (static_cast<uint32_t>(year - 1980) << 25) | (static_cast<uint32_t>(month & 0x0F) << 21) |
         (static_cast<uint32_t>(day & 0x1F) << 16) | (static_cast<uint32_t>(hour & 0x1F) << 11) |
         (static_cast<uint32_t>(minute & 0x3F) << 5) | static_cast<uint32_t>((second / 2) & 0x1F);
}

void UnpackDosDateTime(uint32_t dos, int& year, int& month, int& day, int& hour, int& minute, int& second) {
  year = static_cast<int>(dos >> 25) + 1980;
  month = static_cast<int>((dos >> 21) & 0x0F);
  day = static_cast<int>((dos >> 16) & 0x1F);
  hour = static_cast<int>((dos >> 11) & 0x1F);
  minute = static_cast<int>((dos >> 5) & 0x3F);
  second = static_cast<int>(dos & 0x1F) * 2;
}

int32_t DateTimeToFileDate(TDateTime dateTime) {
  int year, month, day, hour, minute, second, millisecond;
  DecodeDate(dateTime, year, month, day);
  DecodeTime(dateTime, hour, minute, second, millisecond);
  return static_cast<int32_t>(PackDosDateTime(year, month, day, hour, minute, second));
}

TDateTime FileDateToDateTime(int32_t fileDate) {
  int year, month, day, hour, minute, second;
  UnpackDosDateTime(static_cast<uint32_t>(fileDate), year, month, day, hour, minute, second);
  // Damaged fields (month 0, hour 31, second 60 ...) raise EConvertError from the encoders.
  return EncodeDate(year, month, day) + EncodeTime(hour, minute, second, 0);
}

uint32_t GetTickCount() { return static_cast<uint32_t>(MonotonicMilliseconds()); }

int64_t MonotonicMilliseconds() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

}  // namespace pf
