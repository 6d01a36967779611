// The general date form and decimal separator of the user's locale, read through QLocale.

#include "qt_locale/locale_date_format.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <utility>

namespace kestrin {
namespace {

using Values = std::map<std::string, std::string>;

// Sets the locale variables for one test and restores them afterwards; unset by default.
class LocaleEnvironment {
 public:
  explicit LocaleEnvironment(const Values& values) {
    for (const char* name : {"LC_ALL", "LC_TIME", "LC_NUMERIC", "LANG"}) {
      const char* old = std::getenv(name);
      saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
      const auto value = values.find(name);
      if (value != values.end()) {
        ::setenv(name, value->second.c_str(), 1);
      } else {
        ::unsetenv(name);
      }
    }
  }
  ~LocaleEnvironment() {
    for (const auto& [name, value] : saved_) {
      if (value) {
        ::setenv(name.c_str(), value->c_str(), 1);
      } else {
        ::unsetenv(name.c_str());
      }
    }
  }

 private:
  std::map<std::string, std::optional<std::string>> saved_;
};

void ExpectFormat(const GeneralDateFormat& format, const std::string& shortDate,
                  const std::string& longTime) {
  EXPECT_EQ(format.shortDate, shortDate);
  EXPECT_EQ(format.longTime, longTime);
}

TEST(LocaleGeneralDateFormat, CAndPosixGiveTheEnUsForm) {
  // Unset, C, and a name Qt does not know all fall back to en-US.
  for (const Values& values : {Values{}, Values{{"LC_ALL", "C"}}, Values{{"LC_ALL", "C.UTF-8"}},
                               Values{{"LANG", "xx_YY.UTF-8"}}}) {
    LocaleEnvironment environment(values);
    ExpectFormat(LocaleGeneralDateFormat(), "M/d/yyyy", "h:mm:ss AP");
  }
}

TEST(LocaleGeneralDateFormat, TwoDigitYearWidenedAndTimeZoneDropped) {
  // es_ES has "H:mm:ss (t)", zh_CN "t HH:mm:ss".
  for (const auto& [name, shortDate, longTime] :
       {std::tuple("de_DE.UTF-8", "dd.MM.yyyy", "HH:mm:ss"),
        std::tuple("es_ES.UTF-8", "d/M/yyyy", "H:mm:ss"),
        std::tuple("zh_CN.UTF-8", "yyyy/M/d", "HH:mm:ss")}) {
    LocaleEnvironment environment(Values{{"LC_ALL", name}});
    ExpectFormat(LocaleGeneralDateFormat(), shortDate, longTime);
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
