// The general date form and decimal separator of the user's locale, read through QLocale.

#include "qt_locale/locale_date_format.h"

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <string>

#include "tests/settings/scoped_environment.h"

namespace kestrin {
namespace {

using Values = std::map<std::string, std::string>;

// Sets the locale variables for one test and unsets the others, restoring all afterwards.
class LocaleEnvironment {
 public:
  explicit LocaleEnvironment(const Values& values) {
    for (const char* name : {"LC_ALL", "LC_TIME", "LC_NUMERIC", "LANG"}) {
      const auto value = values.find(name);
      scoped_.emplace_back(name,
                           value == values.end() ? std::nullopt : std::optional(value->second));
    }
  }

 private:
  std::deque<test::ScopedEnvironment> scoped_;
};

TEST(LocaleGeneralDateFormat, TwoDigitYearWidenedTimeZoneDroppedAndEnUsByDefault) {
  // es_ES has "H:mm:ss (t)", zh_CN "t HH:mm:ss". Unset, C, and a name Qt does not know
  // all fall back to en-US.
  const struct {
    Values values;
    const char* shortDate;
    const char* longTime;
  } kCases[] = {
      {{{"LC_ALL", "de_DE.UTF-8"}}, "dd.MM.yyyy", "HH:mm:ss"},
      {{{"LC_ALL", "es_ES.UTF-8"}}, "d/M/yyyy", "H:mm:ss"},
      {{{"LC_ALL", "zh_CN.UTF-8"}}, "yyyy/M/d", "HH:mm:ss"},
      {{}, "M/d/yyyy", "h:mm:ss AP"},
      {{{"LC_ALL", "C"}}, "M/d/yyyy", "h:mm:ss AP"},
      {{{"LC_ALL", "C.UTF-8"}}, "M/d/yyyy", "h:mm:ss AP"},
      {{{"LANG", "xx_YY.UTF-8"}}, "M/d/yyyy", "h:mm:ss AP"},
  };
  for (const auto& c : kCases) {
    LocaleEnvironment environment(c.values);
    const GeneralDateFormat format = LocaleGeneralDateFormat();
    EXPECT_EQ(format.shortDate, c.shortDate);
    EXPECT_EQ(format.longTime, c.longTime);
  }
}

TEST(LocaleGeneralDateFormat, EveryResultFormatsAndParsesBack) {
  for (const char* name : {"en_GB", "ja_JP", "ko_KR", "hu_HU", "fa_IR", "ar_EG"}) {
    LocaleEnvironment environment(Values{{"LC_ALL", name}});
    const GeneralDateFormat format = LocaleGeneralDateFormat();
    EXPECT_TRUE(GeneralDatePatternSupported(format.shortDate)) << name;
    EXPECT_TRUE(GeneralDatePatternSupported(format.longTime)) << name;
    EXPECT_EQ(format.longTime.find('t'), std::string::npos) << name;
    for (const DateTime& when : {DateTime{2026, 12, 5, 4, 8, 51}, DateTime{2026, 7, 4, 12, 0, 0},
                                 DateTime{2026, 7, 4, 0, 0, 0}}) {
      const std::string text = FormatGeneralDate(when, format);
      EXPECT_EQ(ParseGeneralDate(text, format), when) << name << ": " << text;
    }
  }
}

TEST(LocaleDecimalSeparator, FromTheNumbersLocale) {
  for (const auto& [values, separator] :
       {std::pair(Values{{"LC_ALL", "C"}}, '.'), std::pair(Values{{"LANG", "de_DE.UTF-8"}}, ','),
        std::pair(Values{{"LC_NUMERIC", "de_DE.UTF-8"}, {"LC_TIME", "en_US.UTF-8"}}, ','),
        std::pair(Values{{"LC_TIME", "de_DE.UTF-8"}, {"LANG", "en_US.UTF-8"}}, '.'),
        std::pair(Values{{"LC_ALL", "ar_EG.UTF-8"}}, '.')}) {  // ar_EG's is not one byte
    LocaleEnvironment environment(values);
    EXPECT_EQ(LocaleDecimalSeparator(), separator);
  }
}

}  // namespace
}  // namespace kestrin
