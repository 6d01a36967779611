// General date text: the user's short date, one blank, long time; the date
// alone at exactly midnight. Patterns use Qt's date-time tokens.

#include "formats/general_date.h"

#include <cstdint>
#include <vector>

namespace kestrin {
namespace {

enum class Kind {
  kLiteral,      // text copied as it stands
  kUnsupported,  // a letter run that is no token of ours: copied as it stands
  kDay,          // d
  kDay2,         // dd
  kMonth,        // M
  kMonth2,       // MM
  kYear2,        // yy
  kYear4,        // yyyy
  kHour,         // h: 1..12 with AM/PM in the pattern, otherwise 0..23
  kHour2,        // hh
  kHour24,       // H
  kHour24_2,     // HH
  kMinute,       // m
  kMinute2,      // mm
  kSecond,       // s
  kSecond2,      // ss
  kAmPmUpper,    // AP, A
  kAmPmLower,    // ap, a
};

struct Token {
  Kind kind;
  std::string text;  // the literal text, or the pattern letters of the token
};

bool IsPatternLetter(char c) {
  switch (c) {
    case 'd':
    case 'M':
    case 'y':
    case 'h':
    case 'H':
    case 'm':
    case 's':
    case 'z':
    case 't':
    case 'a':
    case 'A':
      return true;
    default:
      return false;
  }
}

void AppendLiteral(std::vector<Token>& tokens, std::string_view text) {
  if (!tokens.empty() && tokens.back().kind == Kind::kLiteral) {
    tokens.back().text += text;
  } else {
    tokens.push_back({Kind::kLiteral, std::string(text)});
  }
}

Kind RunKind(char c, std::size_t run) {
  auto pick = [run](Kind one, Kind two) {
    return run == 1 ? one : run == 2 ? two : Kind::kUnsupported;
  };
  switch (c) {
    case 'd':
      return pick(Kind::kDay, Kind::kDay2);
    case 'M':
      return pick(Kind::kMonth, Kind::kMonth2);
    case 'y':
      return run == 2 ? Kind::kYear2 : run == 4 ? Kind::kYear4 : Kind::kUnsupported;
    case 'h':
      return pick(Kind::kHour, Kind::kHour2);
    case 'H':
      return pick(Kind::kHour24, Kind::kHour24_2);
    case 'm':
      return pick(Kind::kMinute, Kind::kMinute2);
    case 's':
      return pick(Kind::kSecond, Kind::kSecond2);
    default:
      return Kind::kUnsupported;  // z (milliseconds), t (time zone)
  }
}

std::vector<Token> Tokenize(std::string_view pattern) {
  std::vector<Token> tokens;
  std::size_t i = 0;
  const std::size_t n = pattern.size();
  while (i < n) {
    const char c = pattern[i];
    if (c == '\'') {
      if (i + 1 < n && pattern[i + 1] == '\'') {  // '' is one quote
        AppendLiteral(tokens, "'");
        i += 2;
        continue;
      }
      // Quoted text up to the closing quote ('' inside stands for one quote); an
      // unterminated quote runs to the end of the pattern.
      std::string text;
      ++i;
      while (i < n) {
        if (pattern[i] == '\'') {
          if (i + 1 < n && pattern[i + 1] == '\'') {
            text += '\'';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        text += pattern[i++];
      }
      AppendLiteral(tokens, text);
      continue;
    }
    if (c == 'a' || c == 'A') {
      std::size_t length = (i + 1 < n && (pattern[i + 1] == 'p' || pattern[i + 1] == 'P')) ? 2 : 1;
      tokens.push_back(
          {c == 'A' ? Kind::kAmPmUpper : Kind::kAmPmLower, std::string(pattern.substr(i, length))});
      i += length;
      continue;
    }
    if (IsPatternLetter(c)) {
      std::size_t run = 1;
      while (i + run < n && pattern[i + run] == c) {
        ++run;
      }
      tokens.push_back({RunKind(c, run), std::string(pattern.substr(i, run))});
      i += run;
      continue;
    }
    AppendLiteral(tokens, std::string_view(&pattern[i], 1));
    ++i;
  }
  return tokens;
}

struct FormatTokens {
  GeneralDateFormat format;
  std::vector<Token> date;
  std::vector<Token> time;
};

// The patterns taken apart, kept from the last call: a list formats or reads a date a record,
// all with the same patterns.
const FormatTokens& TokensOf(const GeneralDateFormat& format) {
  thread_local std::optional<FormatTokens> kept;
  if (!kept || kept->format.shortDate != format.shortDate ||
      kept->format.longTime != format.longTime) {
    kept = FormatTokens{format, Tokenize(format.shortDate), Tokenize(format.longTime)};
  }
  return *kept;
}

bool HasAmPm(const std::vector<Token>& tokens) {
  for (const Token& token : tokens) {
    if (token.kind == Kind::kAmPmUpper || token.kind == Kind::kAmPmLower) {
      return true;
    }
  }
  return false;
}

void AppendNumber(std::string& out, int value, int minDigits) {
  std::string digits = std::to_string(value);
  if (static_cast<int>(digits.size()) < minDigits) {
    out.append(minDigits - digits.size(), '0');
  }
  out += digits;
}

void AppendTokens(std::string& out, const std::vector<Token>& tokens, const DateTime& when) {
  const bool twelveHour = HasAmPm(tokens);
  const int hour12 = when.hour % 12 == 0 ? 12 : when.hour % 12;
  for (const Token& token : tokens) {
    switch (token.kind) {
      case Kind::kLiteral:
      case Kind::kUnsupported:
        out += token.text;
        break;
      case Kind::kDay:
        AppendNumber(out, when.day, 1);
        break;
      case Kind::kDay2:
        AppendNumber(out, when.day, 2);
        break;
      case Kind::kMonth:
        AppendNumber(out, when.month, 1);
        break;
      case Kind::kMonth2:
        AppendNumber(out, when.month, 2);
        break;
      case Kind::kYear2:
        AppendNumber(out, ((when.year % 100) + 100) % 100, 2);
        break;
      case Kind::kYear4:
        AppendNumber(out, when.year, 4);
        break;
      case Kind::kHour:
        AppendNumber(out, twelveHour ? hour12 : when.hour, 1);
        break;
      case Kind::kHour2:
        AppendNumber(out, twelveHour ? hour12 : when.hour, 2);
        break;
      case Kind::kHour24:
        AppendNumber(out, when.hour, 1);
        break;
      case Kind::kHour24_2:
        AppendNumber(out, when.hour, 2);
        break;
      case Kind::kMinute:
        AppendNumber(out, when.minute, 1);
        break;
      case Kind::kMinute2:
        AppendNumber(out, when.minute, 2);
        break;
      case Kind::kSecond:
        AppendNumber(out, when.second, 1);
        break;
      case Kind::kSecond2:
        AppendNumber(out, when.second, 2);
        break;
      case Kind::kAmPmUpper:
        out += when.hour < 12 ? "AM" : "PM";
        break;
      case Kind::kAmPmLower:
        out += when.hour < 12 ? "am" : "pm";
        break;
    }
  }
}

// The fields found while parsing; -1 when the pattern has no token for them.
struct ParsedFields {
  int year = -1;
  int month = -1;
  int day = -1;
  int hour = -1;    // from H, HH, or h, hh without AM/PM
  int hour12 = -1;  // from h, hh with AM/PM
  int pm = -1;      // 0 AM, 1 PM
  int minute = -1;
  int second = -1;
};

bool ReadDigits(std::string_view text, std::size_t& pos, std::size_t minDigits,
                std::size_t maxDigits, int& value) {
  std::size_t count = 0;
  int result = 0;
  while (count < maxDigits && pos + count < text.size() && text[pos + count] >= '0' &&
         text[pos + count] <= '9') {
    result = result * 10 + (text[pos + count] - '0');
    ++count;
  }
  if (count < minDigits) {
    return false;
  }
  pos += count;
  value = result;
  return true;
}

char Lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool ParseTokens(const std::vector<Token>& tokens, std::string_view text, std::size_t& pos,
                 ParsedFields& fields) {
  const bool twelveHour = HasAmPm(tokens);
  for (const Token& token : tokens) {
    bool ok = true;
    switch (token.kind) {
      case Kind::kLiteral:
      case Kind::kUnsupported:
        ok = text.substr(pos, token.text.size()) == token.text;
        pos += ok ? token.text.size() : 0;
        break;
      case Kind::kDay:
        ok = ReadDigits(text, pos, 1, 2, fields.day);
        break;
      case Kind::kDay2:
        ok = ReadDigits(text, pos, 2, 2, fields.day);
        break;
      case Kind::kMonth:
        ok = ReadDigits(text, pos, 1, 2, fields.month);
        break;
      case Kind::kMonth2:
        ok = ReadDigits(text, pos, 2, 2, fields.month);
        break;
      case Kind::kYear2:
        // As Qt reads "yy": a year of the twentieth century.
        ok = ReadDigits(text, pos, 2, 2, fields.year);
        fields.year += 1900;
        break;
      case Kind::kYear4:
        ok = ReadDigits(text, pos, 4, 4, fields.year);
        break;
      case Kind::kHour:
        ok = ReadDigits(text, pos, 1, 2, twelveHour ? fields.hour12 : fields.hour);
        break;
      case Kind::kHour2:
        ok = ReadDigits(text, pos, 2, 2, twelveHour ? fields.hour12 : fields.hour);
        break;
      case Kind::kHour24:
        ok = ReadDigits(text, pos, 1, 2, fields.hour);
        break;
      case Kind::kHour24_2:
        ok = ReadDigits(text, pos, 2, 2, fields.hour);
        break;
      case Kind::kMinute:
        ok = ReadDigits(text, pos, 1, 2, fields.minute);
        break;
      case Kind::kMinute2:
        ok = ReadDigits(text, pos, 2, 2, fields.minute);
        break;
      case Kind::kSecond:
        ok = ReadDigits(text, pos, 1, 2, fields.second);
        break;
      case Kind::kSecond2:
        ok = ReadDigits(text, pos, 2, 2, fields.second);
        break;
      case Kind::kAmPmUpper:
      case Kind::kAmPmLower: {
        if (pos + 2 > text.size() || Lower(text[pos + 1]) != 'm') {
          return false;
        }
        const char first = Lower(text[pos]);
        if (first != 'a' && first != 'p') {
          return false;
        }
        fields.pm = first == 'p' ? 1 : 0;
        pos += 2;
        break;
      }
    }
    if (!ok) {
      return false;
    }
  }
  return true;
}

bool IsLeapYear(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

std::optional<DateTime> ToDateTime(const ParsedFields& fields) {
  DateTime result;  // 1 January 1900, midnight: Qt's default for fields a pattern lacks
  if (fields.year >= 0) {
    result.year = fields.year;
  }
  if (fields.month >= 0) {
    result.month = fields.month;
  }
  if (fields.day >= 0) {
    result.day = fields.day;
  }
  if (fields.hour >= 0) {
    result.hour = fields.hour;
  } else if (fields.hour12 >= 0) {
    if (fields.hour12 < 1 || fields.hour12 > 12) {
      return std::nullopt;
    }
    result.hour = fields.hour12 % 12 + (fields.pm == 1 ? 12 : 0);
  }
  if (fields.minute >= 0) {
    result.minute = fields.minute;
  }
  if (fields.second >= 0) {
    result.second = fields.second;
  }
  if (result.year < 1 || result.month < 1 || result.month > 12 || result.day < 1 ||
      result.day > DaysInMonth(result.year, result.month) || result.hour > 23 ||
      result.minute > 59 || result.second > 59) {
    return std::nullopt;
  }
  return result;
}

// Days since 1 January 1970 of a proleptic Gregorian date, and back (H. Hinnant's algorithms).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, int& year, int& month, int& day) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(y + (month <= 2));
}

}  // namespace

bool GeneralDatePatternSupported(std::string_view pattern) {
  for (const Token& token : Tokenize(pattern)) {
    if (token.kind == Kind::kUnsupported) {
      return false;
    }
  }
  return true;
}

GeneralDateFormat EnUsGeneralDateFormat() {
  return GeneralDateFormat{"M/d/yyyy", "h:mm:ss AP"};
}

GeneralDateFormat SupportedOrEnUs(const GeneralDateFormat& format) {
  if (format.shortDate.empty() || format.longTime.empty() ||
      !GeneralDatePatternSupported(format.shortDate) ||
      !GeneralDatePatternSupported(format.longTime)) {
    return EnUsGeneralDateFormat();
  }
  return format;
}

std::string FormatGeneralDate(const DateTime& when, const GeneralDateFormat& format) {
  const FormatTokens& tokens = TokensOf(format);
  std::string out;
  AppendTokens(out, tokens.date, when);
  const bool midnight = when.hour == 0 && when.minute == 0 && when.second == 0;
  if (!midnight && !format.longTime.empty()) {
    out += ' ';
    AppendTokens(out, tokens.time, when);
  }
  return out;
}

std::optional<DateTime> ParseGeneralDate(std::string_view text, const GeneralDateFormat& format) {
  const FormatTokens& tokens = TokensOf(format);
  ParsedFields dateFields;
  std::size_t pos = 0;
  if (!ParseTokens(tokens.date, text, pos, dateFields)) {
    return std::nullopt;
  }
  if (pos == text.size()) {  // the date alone: midnight
    return ToDateTime(dateFields);
  }
  if (text[pos] != ' ') {
    return std::nullopt;
  }
  ++pos;
  ParsedFields timeFields;
  if (!ParseTokens(tokens.time, text, pos, timeFields) || pos != text.size()) {
    return std::nullopt;
  }
  ParsedFields all = dateFields;
  all.hour = timeFields.hour;
  all.hour12 = timeFields.hour12;
  all.pm = timeFields.pm;
  all.minute = timeFields.minute;
  all.second = timeFields.second;
  return ToDateTime(all);
}

DateTime UnconvertibleFileTime() {
  return DateTime{};
}

DateTime FileTimeToDate(std::time_t utcSeconds) {
  constexpr std::int64_t kSecondsPerDay = 86400;
  static const std::int64_t kFirst = DaysFromCivil(1601, 1, 1) * kSecondsPerDay;
  static const std::int64_t kPastLast = DaysFromCivil(10000, 1, 1) * kSecondsPerDay;
  const std::int64_t seconds = static_cast<std::int64_t>(utcSeconds);
  if (seconds < kFirst || seconds >= kPastLast) {
    return UnconvertibleFileTime();
  }
  std::int64_t days = seconds / kSecondsPerDay;
  std::int64_t rest = seconds % kSecondsPerDay;
  if (rest < 0) {
    rest += kSecondsPerDay;
    --days;
  }
  DateTime result;
  CivilFromDays(days, result.year, result.month, result.day);
  result.hour = static_cast<int>(rest / 3600);
  result.minute = static_cast<int>(rest / 60 % 60);
  result.second = static_cast<int>(rest % 60);
  return result;
}

std::time_t DateToFileTime(const DateTime& utc) {
  return static_cast<std::time_t>(
      DaysFromCivil(utc.year, static_cast<unsigned>(utc.month), static_cast<unsigned>(utc.day)) *
          86400 +
      utc.hour * 3600 + utc.minute * 60 + utc.second);
}

DateTime LocalNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  if (localtime_r(&now, &local) == nullptr) {
    return FileTimeToDate(now);
  }
  DateTime result;
  result.year = local.tm_year + 1900;
  result.month = local.tm_mon + 1;
  result.day = local.tm_mday;
  result.hour = local.tm_hour;
  result.minute = local.tm_min;
  result.second = local.tm_sec < 60 ? local.tm_sec : 59;  // a leap second
  return result;
}

}  // namespace kestrin
