// General date text and file-system times.

#include "formats/general_date.h"

#include <gtest/gtest.h>

namespace kestrin {
namespace {

DateTime At(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
  return DateTime{year, month, day, hour, minute, second};
}

const GeneralDateFormat kEnUs = EnUsGeneralDateFormat();
const GeneralDateFormat kGerman{"dd.MM.yyyy", "HH:mm:ss"};

TEST(FormatGeneralDate, EnUsDateAndTime) {
  EXPECT_EQ(FormatGeneralDate(At(2026, 12, 5, 4, 8, 51), kEnUs), "12/5/2026 4:08:51 AM");
  EXPECT_EQ(FormatGeneralDate(At(2026, 12, 1, 22, 15, 30), kEnUs), "12/1/2026 10:15:30 PM");
}

TEST(FormatGeneralDate, MidnightGivesTheDateAlone) {
  EXPECT_EQ(FormatGeneralDate(UnconvertibleFileTime(), kEnUs), "1/1/1900");
  EXPECT_EQ(FormatGeneralDate(At(2026, 12, 5), kGerman), "05.12.2026");
  // One second either side of midnight keeps the time.
  EXPECT_EQ(FormatGeneralDate(At(2026, 12, 5, 0, 0, 1), kEnUs), "12/5/2026 12:00:01 AM");
  EXPECT_EQ(FormatGeneralDate(At(2026, 12, 4, 23, 59, 59), kEnUs), "12/4/2026 11:59:59 PM");
}

TEST(FormatGeneralDate, TwelveHourClockAtTheEdgeHours) {
  EXPECT_EQ(FormatGeneralDate(At(2026, 1, 2, 0, 30, 0), kEnUs), "1/2/2026 12:30:00 AM");
  EXPECT_EQ(FormatGeneralDate(At(2026, 1, 2, 12, 0, 0), kEnUs), "1/2/2026 12:00:00 PM");
  EXPECT_EQ(FormatGeneralDate(At(2026, 1, 2, 13, 5, 9), kEnUs), "1/2/2026 1:05:09 PM");
}

TEST(FormatGeneralDate, TokensOfOtherLocales) {
  EXPECT_EQ(FormatGeneralDate(At(2026, 3, 7, 4, 8, 9), kGerman), "07.03.2026 04:08:09");
  EXPECT_EQ(FormatGeneralDate(At(2026, 3, 7, 16, 8, 9), {"yyyy-MM-dd", "hh:mm:ss ap"}),
            "2026-03-07 04:08:09 pm");
  EXPECT_EQ(FormatGeneralDate(At(2026, 3, 7, 16, 8, 9), {"yy-M-d", "h:mm a"}), "26-3-7 4:08 pm");
  EXPECT_EQ(FormatGeneralDate(At(2026, 3, 7, 16, 8, 9), {"yyyy-MM-dd", "A h:mm:ss"}),
            "2026-03-07 PM 4:08:09");
  // h without AM/PM in the pattern is the 24-hour clock, as in Qt; H always is.
  EXPECT_EQ(FormatGeneralDate(At(2026, 3, 7, 16, 8, 9), {"yyyy-MM-dd", "h:mm:ss"}),
            "2026-03-07 16:08:09");
  EXPECT_EQ(FormatGeneralDate(At(2026, 3, 7, 16, 8, 9), {"yyyy-MM-dd", "HH:mm AP"}),
            "2026-03-07 16:08 PM");
  EXPECT_EQ(FormatGeneralDate(At(987, 3, 7, 1, 2, 3), kGerman), "07.03.0987 01:02:03");
}

TEST(ParseGeneralDate, BothFormsOfTheSamples) {
  EXPECT_EQ(ParseGeneralDate("12/5/2026 4:08:51 AM", kEnUs), At(2026, 12, 5, 4, 8, 51));
  EXPECT_EQ(ParseGeneralDate("1/1/1900", kEnUs), At(1900, 1, 1));
  EXPECT_EQ(ParseGeneralDate("1/1/1900 12:00:00 AM", kEnUs), At(1900, 1, 1));
  EXPECT_EQ(ParseGeneralDate("05.12.2026 23:59:58", kGerman), At(2026, 12, 5, 23, 59, 58));
}

TEST(ParseGeneralDate, RefusesTextThatDoesNotFit) {
  for (const char* text : {"", "12/5/2026 4:08:51", "12/5/2026 4:08:51 AM ", "12/5/2026 ",
                           "12/5/26", "12/5/2026 4:8:51 AM", "12/5/20261"}) {
    EXPECT_FALSE(ParseGeneralDate(text, kEnUs)) << text;
  }
  EXPECT_FALSE(ParseGeneralDate("5.12.2026", kGerman));  // dd needs two digits
  EXPECT_FALSE(ParseGeneralDate("05.12.2026 4:08:51", kGerman));
  // Every hour is read back below; these are the forms no writer makes.
  EXPECT_EQ(ParseGeneralDate("1/2/2026 11:00:00 pm", kEnUs), At(2026, 1, 2, 23, 0, 0));
  EXPECT_FALSE(ParseGeneralDate("1/2/2026 0:30:00 AM", kEnUs));
  EXPECT_FALSE(ParseGeneralDate("1/2/2026 13:00:00 PM", kEnUs));
}

TEST(ParseGeneralDate, ReadsBackWhatItWrote) {
  const GeneralDateFormat formats[] = {kEnUs,
                                       kGerman,
                                       {"yyyy/M/d", "AP h:mm:ss"},
                                       {"yyyy'\xE5\xB9\xB4'M'\xE6\x9C\x88'd'\xE6\x97\xA5'",
                                        "H'\xE6\x99\x82'mm'\xE5\x88\x86'ss'\xE7\xA7\x92'"}};
  for (const GeneralDateFormat& format : formats) {
    for (int hour = 0; hour < 24; ++hour) {
      for (const DateTime& when : {At(2026, 12, 31, hour, 0, 0), At(1601, 1, 1, hour, 59, 59),
                                   At(9999, 2, 28, hour, 7, 3), At(2024, 2, 29, hour, 30, 0)}) {
        const std::string text = FormatGeneralDate(when, format);
        EXPECT_EQ(ParseGeneralDate(text, format), when) << text << " / " << format.shortDate;
      }
    }
  }
}

TEST(FileTimeToDate, IsUtcAndNotConverted) {
  EXPECT_EQ(FileTimeToDate(0), At(1970, 1, 1));
  EXPECT_EQ(FileTimeToDate(1796443731), At(2026, 12, 5, 4, 8, 51));
  EXPECT_EQ(FileTimeToDate(-1), At(1969, 12, 31, 23, 59, 59));
}

TEST(FileTimeToDate, OutsideYears1601To9999GivesMidnightOf1January1900) {
  EXPECT_EQ(FileTimeToDate(-11644473600), At(1601, 1, 1));
  EXPECT_EQ(FileTimeToDate(-11644473601), UnconvertibleFileTime());
  EXPECT_EQ(FileTimeToDate(253402300799), At(9999, 12, 31, 23, 59, 59));
  EXPECT_EQ(FileTimeToDate(253402300800), UnconvertibleFileTime());
}

}  // namespace
}  // namespace kestrin
