// General date text and file-system times.

#include "formats/general_date.h"

#include <gtest/gtest.h>

namespace kestrin {
namespace {

const GeneralDateFormat kEnUs = EnUsGeneralDateFormat();
const GeneralDateFormat kGerman{"dd.MM.yyyy", "HH:mm:ss"};

TEST(FormatGeneralDate, WritesTheLocalesForms) {
  const struct {
    DateTime when;
    GeneralDateFormat format;
    const char* text;
  } kSamples[] = {
      {{2026, 12, 5, 4, 8, 51}, kEnUs, "12/5/2026 4:08:51 AM"},
      {{2026, 12, 1, 22, 15, 30}, kEnUs, "12/1/2026 10:15:30 PM"},
      // Midnight gives the date alone; a second either side keeps the time.
      {UnconvertibleFileTime(), kEnUs, "1/1/1900"},
      {{2026, 12, 5}, kGerman, "05.12.2026"},
      {{2026, 12, 5, 0, 0, 1}, kEnUs, "12/5/2026 12:00:01 AM"},
      {{2026, 12, 4, 23, 59, 59}, kEnUs, "12/4/2026 11:59:59 PM"},
      {{2026, 1, 2, 12, 0, 0}, kEnUs, "1/2/2026 12:00:00 PM"},
      {{2026, 1, 2, 13, 5, 9}, kEnUs, "1/2/2026 1:05:09 PM"},
      {{987, 3, 7, 1, 2, 3}, kGerman, "07.03.0987 01:02:03"},
      {{2026, 3, 7, 16, 8, 9}, {"yyyy-MM-dd", "hh:mm:ss ap"}, "2026-03-07 04:08:09 pm"},
      {{2026, 3, 7, 16, 8, 9}, {"yy-M-d", "h:mm a"}, "26-3-7 4:08 pm"},
      {{2026, 3, 7, 16, 8, 9}, {"yyyy-MM-dd", "A h:mm:ss"}, "2026-03-07 PM 4:08:09"},
      // h without AM/PM in the pattern is the 24-hour clock, as in Qt; H always is.
      {{2026, 3, 7, 16, 8, 9}, {"yyyy-MM-dd", "h:mm:ss"}, "2026-03-07 16:08:09"},
      {{2026, 3, 7, 16, 8, 9}, {"yyyy-MM-dd", "HH:mm AP"}, "2026-03-07 16:08 PM"},
  };
  for (const auto& sample : kSamples) {
    EXPECT_EQ(FormatGeneralDate(sample.when, sample.format), sample.text);
  }
}

TEST(ParseGeneralDate, ReadsBackWhatItWroteAndNothingThatDoesNotFit) {
  const GeneralDateFormat formats[] = {kEnUs,
                                       kGerman,
                                       {"yyyy/M/d", "AP h:mm:ss"},
                                       {"yyyy'\xE5\xB9\xB4'M'\xE6\x9C\x88'd'\xE6\x97\xA5'",
                                        "H'\xE6\x99\x82'mm'\xE5\x88\x86'ss'\xE7\xA7\x92'"}};
  for (const GeneralDateFormat& format : formats) {
    for (int hour = 0; hour < 24; ++hour) {
      for (const DateTime& when :
           {DateTime{2026, 12, 31, hour, 0, 0}, DateTime{1601, 1, 1, hour, 59, 59},
            DateTime{9999, 2, 28, hour, 7, 3}, DateTime{2024, 2, 29, hour, 30, 0}}) {
        const std::string text = FormatGeneralDate(when, format);
        EXPECT_EQ(ParseGeneralDate(text, format), when) << text << " / " << format.shortDate;
      }
    }
  }
  EXPECT_EQ(ParseGeneralDate("1/1/1900 12:00:00 AM", kEnUs), UnconvertibleFileTime());
  EXPECT_EQ(ParseGeneralDate("1/2/2026 11:00:00 pm", kEnUs), (DateTime{2026, 1, 2, 23, 0, 0}));
  for (const char* text :
       {"", "12/5/2026 4:08:51", "12/5/2026 4:08:51 AM ", "12/5/2026 ", "12/5/26",
        "12/5/2026 4:8:51 AM", "12/5/20261", "1/2/2026 0:30:00 AM", "1/2/2026 13:00:00 PM"}) {
    EXPECT_FALSE(ParseGeneralDate(text, kEnUs)) << text;
  }
  EXPECT_FALSE(ParseGeneralDate("5.12.2026", kGerman));  // dd needs two digits
  EXPECT_FALSE(ParseGeneralDate("05.12.2026 4:08:51", kGerman));
}

TEST(FileTimeToDate, IsUtcWithinYears1601To9999AndMidnightOf1January1900Outside) {
  const std::pair<std::time_t, DateTime> kSamples[] = {
      {0, {1970, 1, 1}},
      {1796443731, {2026, 12, 5, 4, 8, 51}},
      {-1, {1969, 12, 31, 23, 59, 59}},
      {-11644473600, {1601, 1, 1}},
      {-11644473601, UnconvertibleFileTime()},
      {253402300799, {9999, 12, 31, 23, 59, 59}},
      {253402300800, UnconvertibleFileTime()},
  };
  for (const auto& [seconds, date] : kSamples) {
    EXPECT_EQ(FileTimeToDate(seconds), date) << seconds;
  }
}

}  // namespace
}  // namespace kestrin
