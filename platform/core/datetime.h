// Dates and times: TDateTime is days since 1899-12-30 with the time as the fraction. Now() reads an injectable
// clock. Formatting never consults the locale: "." and ":" are fixed separators.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace pf {

using TDateTime = double;

TDateTime Now();
TDateTime Date();  // today, time 0
TDateTime Time();  // the fraction only
// Replaces the clock behind Now (nullptr restores the system's local time).
void SetNowFunction(std::function<TDateTime()> now);

TDateTime EncodeDate(int year, int month, int day);  // EConvertError "Invalid argument to date encode"
TDateTime EncodeTime(int hour, int minute, int second, int millisecond);
void DecodeDate(TDateTime dateTime, int& year, int& month, int& day);
void DecodeTime(TDateTime dateTime, int& hour, int& minute, int& second, int& millisecond);
bool IsLeapYear(int year);

// Directives: d dd m mm yy yyyy h hh n nn s ss z zzz, "..." and '...' literals; "." ":" "/" "-" and blanks are
// copied as they are. "dd.mm.yyyy hh:nn:ss" -> "06.12.2026 17:05:09". For compatibility "m"/"mm" after an
// "h"/"hh" directive means minutes when no other letter comes between them ("hh:mm:ss" shows minutes).
// Directive letters may be upper case. The time is rounded to the millisecond (23:59:59.9999 is the next day).
std::string FormatDateTime(std::string_view format, TDateTime dateTime);

// DOS date/time: bits 25-31 year-1980, 21-24 month, 16-20 day, 11-15 hour, 5-10 minute, 0-4 second/2.
uint32_t PackDosDateTime(int year, int month, int day, int hour, int minute, int second);
void UnpackDosDateTime(uint32_t dos, int& year, int& month, int& day, int& hour, int& minute, int& second);
int32_t DateTimeToFileDate(TDateTime dateTime);
TDateTime FileDateToDateTime(int32_t fileDate);

// Milliseconds from a monotonic clock (wraps like the 32-bit original).
uint32_t GetTickCount();
int64_t MonotonicMilliseconds();

}  // namespace pf
