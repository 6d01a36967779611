#pragma once

#include <compare>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace kestrin {

// A calendar date and time of day, seconds resolution, without a time zone.
struct DateTime {
  int year = 1900;
  int month = 1;
  int day = 1;
  int hour = 0;
  int minute = 0;
  int second = 0;

  auto operator<=>(const DateTime&) const = default;
};

// The user's regional "general date": short date, one blank, long time.
// Patterns use Qt's date-time tokens: d dd M MM yyyy h hh H HH m mm s ss AP ap A a,
// and text in single quotes. The programs derive them from the locale; the core takes
// them as given.
struct GeneralDateFormat {
  std::string shortDate = "M/d/yyyy";
  std::string longTime = "h:mm:ss AP";
};

// True when every letter of the pattern outside quotes belongs to one of the tokens above
// (so "ddd", "MMM", "z" or the time-zone "t" make it false). Formatting copies the letters of
// an unsupported token as they stand; parsing matches them literally.
bool GeneralDatePatternSupported(std::string_view pattern);

// The form of the C/POSIX locale: en-US, "12/5/2026 4:08:51 AM".
GeneralDateFormat EnUsGeneralDateFormat();

// A locale's form when both its patterns are there and supported (day and month names and
// the like are no tokens of the core); otherwise the en-US form.
GeneralDateFormat SupportedOrEnUs(const GeneralDateFormat& format);

// The date alone when the time is exactly midnight.
std::string FormatGeneralDate(const DateTime& when, const GeneralDateFormat& format);

// Accepts the full form and the date alone (midnight). Nullopt when the text does not
// fit the format or names an impossible date.
std::optional<DateTime> ParseGeneralDate(std::string_view text, const GeneralDateFormat& format);

// Midnight of 1 January 1900: the stand-in for a time that cannot be converted.
DateTime UnconvertibleFileTime();

// A file-system time (seconds since 1970, UTC) as a calendar time in UTC, not converted
// to local time; UnconvertibleFileTime() when it lies outside years 1601..9999.
DateTime FileTimeToDate(std::time_t utcSeconds);

// The other way round: a calendar time taken as UTC, as seconds since 1970.
std::time_t DateToFileTime(const DateTime& utc);

// The current local date and time.
DateTime LocalNow();

}  // namespace kestrin
