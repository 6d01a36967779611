// The user's regional general date form and decimal separator, read through QLocale.
// The locale is the one POSIX names for the category: LC_ALL, else LC_TIME (LC_NUMERIC for
// the separator), else LANG; the C/POSIX locale, or none, gives the en-US form.

#include "qt_locale/locale_date_format.h"

#include <QLocale>
#include <QString>

#include <cstdlib>
#include <string>

namespace kestrin {
namespace {

// The locale name for a category, without codeset and modifier ("de_DE.UTF-8@euro" gives
// "de_DE"); empty for the C/POSIX locale.
std::string CategoryLocaleName(const char* category) {
  std::string name;
  for (const char* variable : {"LC_ALL", category, "LANG"}) {
    const char* value = std::getenv(variable);
    if (value != nullptr && *value != '\0') {
      name = value;
      break;
    }
  }
  name = name.substr(0, name.find_first_of(".@"));
  if (name == "C" || name == "POSIX") {
    return {};
  }
  return name;
}

// A QLocale for the category; the C locale when the category names none.
QLocale CategoryLocale(const char* category) {
  const std::string name = CategoryLocaleName(category);
  if (name.empty()) {
    return QLocale::c();
  }
  return QLocale(QString::fromStdString(name));
}

bool IsBlank(QChar c) {
  return c == QLatin1Char(' ') || c == QChar(0x00A0) || c == QChar(0x202F);
}

// Qt patterns quote literal text in single quotes; these helpers step over quoted parts.
// Calls `visit(position, letter, runLength)` for every run of one letter outside quotes.
template <typename Visit>
void ForEachRunOutsideQuotes(const QString& pattern, Visit visit) {
  qsizetype i = 0;
  bool quoted = false;
  while (i < pattern.size()) {
    const QChar c = pattern[i];
    if (c == QLatin1Char('\'')) {
      quoted = !quoted;  // '' toggles twice: a literal quote either way
      ++i;
      continue;
    }
    qsizetype run = 1;
    while (i + run < pattern.size() && pattern[i + run] == c) {
      ++run;
    }
    if (!quoted && visit(i, c, run)) {
      return;  // the visitor changed the pattern
    }
    i += run;
  }
}

// "yy" becomes "yyyy".
QString WidenYear(QString pattern) {
  bool changed = true;
  while (changed) {
    changed = false;
    ForEachRunOutsideQuotes(pattern, [&](qsizetype at, QChar c, qsizetype run) {
      if (c == QLatin1Char('y') && run == 2) {
        pattern.insert(at, QStringLiteral("yy"));
        changed = true;
        return true;
      }
      return false;
    });
  }
  return pattern;
}

// Drops every time-zone token (t, tt, ttt, tttt), parentheses around it, and one blank next
// to it (the one before, else the one after).
QString DropTimeZone(QString pattern) {
  bool changed = true;
  while (changed) {
    changed = false;
    ForEachRunOutsideQuotes(pattern, [&](qsizetype at, QChar c, qsizetype run) {
      if (c != QLatin1Char('t') || run > 4) {
        return false;
      }
      qsizetype from = at;
      qsizetype to = at + run;
      if (from > 0 && to < pattern.size() && pattern[from - 1] == QLatin1Char('(') &&
          pattern[to] == QLatin1Char(')')) {
        --from;
        ++to;
      }
      if (from > 0 && IsBlank(pattern[from - 1])) {
        --from;
      } else if (to < pattern.size() && IsBlank(pattern[to])) {
        ++to;
      }
      pattern.remove(from, to - from);
      changed = true;
      return true;
    });
  }
  return pattern;
}

// No-break blanks become plain blanks, so that the data file holds the blank of the samples.
QString PlainBlanks(QString pattern) {
  pattern.replace(QChar(0x00A0), QLatin1Char(' '));
  pattern.replace(QChar(0x202F), QLatin1Char(' '));
  return pattern.trimmed();
}

}  // namespace

GeneralDateFormat LocaleGeneralDateFormat() {
  const QLocale locale = CategoryLocale("LC_TIME");
  if (locale.language() == QLocale::C) {
    return EnUsGeneralDateFormat();
  }
  GeneralDateFormat format;
  format.shortDate = PlainBlanks(WidenYear(locale.dateFormat(QLocale::ShortFormat))).toStdString();
  format.longTime = PlainBlanks(DropTimeZone(locale.timeFormat(QLocale::LongFormat))).toStdString();
  return SupportedOrEnUs(format);
}

char LocaleDecimalSeparator() {
  const QLocale locale = CategoryLocale("LC_NUMERIC");
  const QString point = locale.decimalPoint();
  if (locale.language() == QLocale::C || point.size() != 1 || point[0].unicode() > 0x7F) {
    return '.';
  }
  return static_cast<char>(point[0].unicode());
}

}  // namespace kestrin
