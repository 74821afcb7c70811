#include "DateTimeText.h"

#include <algorithm>
#include <cctype>

#include "engine/storage/core/FieldTypes.h"

namespace sklad {
namespace {

char Lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (Lower(text[i]) != Lower(prefix[i])) return false;
  return true;
}

std::string Padded(int value, size_t width) {
  std::string digits = std::to_string(value < 0 ? -value : value);
  if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
  return value < 0 ? "-" + digits : digits;
}

size_t RunLength(std::string_view format, size_t at) {
  size_t run = 1;
  while (at + run < format.size() && Lower(format[at + run]) == Lower(format[at])) ++run;
  return run;
}

// Character reader over a text, skipping blanks where asked.
class TTextReader {
 public:
  explicit TTextReader(std::string_view text) : FText(text) {}

  void SkipBlanks() {
    while (FAt < FText.size() && FText[FAt] == ' ') ++FAt;
  }
  bool AtEnd() const { return FAt >= FText.size(); }
  bool Accept(char c) {
    if (AtEnd() || FText[FAt] != c) return false;
    ++FAt;
    return true;
  }
  bool AcceptWord(std::string_view word) {
    if (word.empty() || !StartsWithNoCase(FText.substr(FAt), word)) return false;
    FAt += word.size();
    return true;
  }
  // Up to maxDigits decimal digits; the number of digits read in `digits`.
  std::optional<int> Number(int maxDigits, int* digits = nullptr) {
    int value = 0, count = 0;
    while (!AtEnd() && std::isdigit(static_cast<unsigned char>(FText[FAt])) && count < maxDigits)
      value = value * 10 + (FText[FAt++] - '0'), ++count;
    if (digits) *digits = count;
    if (count == 0) return {};
    return value;
  }
 private:
  std::string_view FText;
  size_t FAt = 0;
};

// The order of day, month and year in a short date format, e.g. "DMY".
std::string FieldOrder(std::string_view format) {
  std::string order;
  for (char c : format) {
    const char field = c == 'd' || c == 'D' ? 'D' : c == 'm' || c == 'M' ? 'M' : c == 'y' || c == 'Y' ? 'Y' : 0;
    if (field && order.find(field) == std::string::npos) order += field;
  }
  return order.size() == 3 ? order : "MDY";
}

std::optional<int32_t> ReadDate(TTextReader& in, const TLanguageSettings& settings) {
  const std::string order = FieldOrder(settings.ShortDateFormat);
  TCalendarDate date;
  for (size_t i = 0; i < 3; ++i) {
    in.SkipBlanks();
    if (i > 0) {
      if (!in.Accept(settings.DateSeparator)) return {};
      in.SkipBlanks();
    }
    int digits = 0;
    const std::optional<int> number = in.Number(order[i] == 'Y' ? 4 : 2, &digits);
    if (!number) return {};
    if (order[i] == 'D') date.Day = *number;
    else if (order[i] == 'M') date.Month = *number;
    else date.Year = digits <= 2 ? (*number < 50 ? 2000 + *number : 1900 + *number) : *number;
  }
  in.Accept(settings.DateSeparator);  // a format like "dd. mm. yyyy." ends in the separator
  if (!IsValidDate(date)) return {};
  return DayNumber(date);
}

std::optional<int32_t> ReadTime(TTextReader& in, const TLanguageSettings& settings) {
  const auto readHalfOfDay = [&](int& half) {
    in.SkipBlanks();
    if (in.AcceptWord(settings.TimeAMString) || in.AcceptWord("AM")) half = 1;
    else if (in.AcceptWord(settings.TimePMString) || in.AcceptWord("PM")) half = 2;
  };
  int half = 0;  // 0 none, 1 AM, 2 PM
  readHalfOfDay(half);
  in.SkipBlanks();
  TTimeOfDay time;
  const std::optional<int> hour = in.Number(2);
  if (!hour || !in.Accept(settings.TimeSeparator)) return {};
  const std::optional<int> minute = in.Number(2);
  if (!minute) return {};
  time.Hour = *hour;
  time.Minute = *minute;
  if (in.Accept(settings.TimeSeparator)) {
    const std::optional<int> second = in.Number(2);
    if (!second) return {};
    time.Second = *second;
    if (in.Accept('.') || in.Accept(settings.DecimalSeparator)) {
      int digits = 0;
      const std::optional<int> fraction = in.Number(3, &digits);
      if (!fraction) return {};
      static constexpr int kFractionScale[] = {0, 100, 10, 1};
      time.Millisecond = *fraction * kFractionScale[digits];
    }
  }
  if (half == 0) readHalfOfDay(half);
  if (half != 0) {
    if (time.Hour < 1 || time.Hour > 12) return {};
    time.Hour = time.Hour % 12 + (half == 2 ? 12 : 0);
  }
  if (time.Hour > 23 || time.Minute > 59 || time.Second > 59) return {};
  return Milliseconds(time);
}

bool Finished(TTextReader& in) {
  in.SkipBlanks();
  return in.AtEnd();
}

}  // namespace

std::string FormatDateTimeText(std::string_view format, int32_t day, int32_t millisecond,
                               const TLanguageSettings& settings) {
  const TCalendarDate date = DecodeDayNumber(day);
  const TTimeOfDay time = DecodeMilliseconds(millisecond);
  const bool twelveHours = format.find("AMPM") != std::string_view::npos ||
                           format.find("ampm") != std::string_view::npos;
  std::string out;
  bool afterHour = false;
  for (size_t i = 0; i < format.size();) {
    const char c = Lower(format[i]);
    const size_t run = RunLength(format, i);
    if (c == '"' || c == '\'') {
      const size_t end = format.find(format[i], i + 1);
      out.append(format.substr(i + 1, (end == std::string_view::npos ? format.size() : end) - i - 1));
      i = end == std::string_view::npos ? format.size() : end + 1;
      continue;
    }
    if (StartsWithNoCase(format.substr(i), "ampm")) {
      out += time.Hour < 12 ? settings.TimeAMString : settings.TimePMString;
      i += 4;
      continue;
    }
    size_t used = run;
    switch (c) {
      case 'd':
        used = std::min<size_t>(run, 4);
        if (used == 1) out += std::to_string(date.Day);
        else if (used == 2) out += Padded(date.Day, 2);
        else if (used == 3) out += settings.ShortDayNames[DayOfWeek(day)];
        else out += settings.LongDayNames[DayOfWeek(day)];
        break;
      case 'm':
        used = std::min<size_t>(run, 4);
        if (afterHour && used <= 2) out += used == 1 ? std::to_string(time.Minute) : Padded(time.Minute, 2);
        else if (used == 1) out += std::to_string(date.Month);
        else if (used == 2) out += Padded(date.Month, 2);
        else if (used == 3) out += settings.ShortMonthNames[(date.Month + 11) % 12];
        else out += settings.LongMonthNames[(date.Month + 11) % 12];
        break;
      case 'y': out += run <= 2 ? Padded(date.Year % 100, 2) : Padded(date.Year, 4); break;
      case 'h': {
        used = std::min<size_t>(run, 2);
        const int hour = twelveHours ? (time.Hour + 11) % 12 + 1 : time.Hour;
        out += used == 1 ? std::to_string(hour) : Padded(hour, 2);
        break;
      }
      case 'n':
        used = std::min<size_t>(run, 2);
        out += used == 1 ? std::to_string(time.Minute) : Padded(time.Minute, 2);
        break;
      case 's':
        used = std::min<size_t>(run, 2);
        out += used == 1 ? std::to_string(time.Second) : Padded(time.Second, 2);
        break;
      case 'z':
        used = run >= 3 ? 3 : 1;
        out += used == 1 ? std::to_string(time.Millisecond) : Padded(time.Millisecond, 3);
        break;
      case '/': used = 1; out += settings.DateSeparator; break;
      case ':': used = 1; out += settings.TimeSeparator; break;
      default: used = 1; out += format[i]; break;
    }
    // An m right after an hour (across separators and blanks) means minutes.
    if (c == 'h') afterHour = true;
    else if (c != ':' && c != ' ') afterHour = false;
    i += used;
  }
  return out;
}

std::string DateToText(int32_t day, const TLanguageSettings& settings) {
  return FormatDateTimeText(settings.ShortDateFormat, day, 0, settings);
}

std::string TimeToText(int32_t millisecond, const TLanguageSettings& settings) {
  std::string format = settings.LongTimeFormat;
  if (millisecond % 1000 != 0) {
    size_t seconds = format.find("ss");
    if (seconds == std::string::npos) seconds = format.find("s");
    if (seconds != std::string::npos) {
      const size_t end = seconds + (format.compare(seconds, 2, "ss") == 0 ? 2 : 1);
      format.insert(end, std::string("\"") + settings.DecimalSeparator + "\"zzz");
    }
  }
  return FormatDateTimeText(format, 0, millisecond, settings);
}

std::string DateTimeToText(int32_t day, int32_t millisecond, const TLanguageSettings& settings) {
  return DateToText(day, settings) + " " + TimeToText(millisecond, settings);
}

std::optional<int32_t> TextToDate(std::string_view text, const TLanguageSettings& settings) {
  TTextReader in(text);
  const std::optional<int32_t> day = ReadDate(in, settings);
  return day && Finished(in) ? day : std::nullopt;
}

std::optional<int32_t> TextToTime(std::string_view text, const TLanguageSettings& settings) {
  TTextReader in(text);
  const std::optional<int32_t> ms = ReadTime(in, settings);
  return ms && Finished(in) ? ms : std::nullopt;
}

std::optional<TLocalMoment> TextToDateTime(std::string_view text, const TLanguageSettings& settings) {
  TTextReader in(text);
  if (const std::optional<int32_t> day = ReadDate(in, settings)) {
    if (Finished(in)) return TLocalMoment{*day, 0};
    const std::optional<int32_t> ms = ReadTime(in, settings);
    if (ms && Finished(in)) return TLocalMoment{*day, *ms};
    return {};
  }
  if (const std::optional<int32_t> ms = TextToTime(text, settings))
    return TLocalMoment{kDayNumberOf18991230, *ms};
  return {};
}

}  // namespace sklad
