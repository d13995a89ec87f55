#include "platform/clock.h"

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <langinfo.h>
#include <locale.h>

namespace quiremark::platform {

namespace {

std::tm LocalTime(Clock::TimePoint time) {
  const std::time_t t = std::chrono::system_clock::to_time_t(time);
  std::tm local{};
  localtime_r(&t, &local);
  return local;
}

std::string Format(const std::tm& local, const char* format) {
  char buffer[64];
  const std::size_t n = std::strftime(buffer, sizeof buffer, format, &local);
  return std::string(buffer, n);
}

// Two digits, as strftime writes a month, a day or a time of day. The date
// column writes two texts per file, and strftime reads its format anew each time.
void AppendTwoDigits(std::string& text, int value) {
  text += static_cast<char>('0' + value / 10);
  text += static_cast<char>('0' + value % 10);
}

Clock* gCurrent = nullptr;

// Runs `work` with the "C" number format, whatever the process locale is.
template <typename Work>
auto WithCNumbers(Work work) {
  static const locale_t cLocale = newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(0));
  const locale_t old = uselocale(cLocale);
  auto result = work();
  uselocale(old);
  return result;
}

}  // namespace

std::string Clock::ShortDate(TimePoint time) const {
  const std::tm local = LocalTime(time);
  const int year = local.tm_year + 1900;
  if (year < 1000) return Format(local, "%Y-%m-%d");  // however strftime writes a year of fewer digits
  std::string text = std::to_string(year);
  text += '-';
  AppendTwoDigits(text, local.tm_mon + 1);
  text += '-';
  AppendTwoDigits(text, local.tm_mday);
  return text;
}

std::string Clock::LongTime(TimePoint time) const {
  const std::tm local = LocalTime(time);
  std::string text;
  AppendTwoDigits(text, local.tm_hour);
  text += ':';
  AppendTwoDigits(text, local.tm_min);
  text += ':';
  AppendTwoDigits(text, local.tm_sec);
  return text;
}

char Clock::DecimalSeparator() const {
  static const char separator = [] {
    locale_t user = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(0));
    if (!user) return '.';
    const char* point = nl_langinfo_l(RADIXCHAR, user);
    const char result = (point && point[0] && !point[1]) ? point[0] : '.';
    freelocale(user);
    return result;
  }();
  return separator;
}

std::string Clock::FormatNumber(double value) const {
  std::string text = WithCNumbers([value] {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.7g", value);
    return std::string(buffer);
  });
  if (text.find_first_of("eE") == std::string::npos) {
    for (auto& c : text) {
      if (c == '.') c = DecimalSeparator();
    }
  }
  return text;
}

std::optional<double> Clock::ParseNumber(const std::string& text) const {
  std::string plain;
  for (const char c : text) {
    if (c == ' ') continue;
    plain += (c == DecimalSeparator()) ? '.' : c;
  }
  if (plain.empty()) return std::nullopt;
  return WithCNumbers([&plain]() -> std::optional<double> {
    char* end = nullptr;
    const double value = std::strtod(plain.c_str(), &end);
    if (end != plain.c_str() + plain.size() || !std::isfinite(value)) return std::nullopt;
    return value;
  });
}

Clock& CurrentClock() {
  static SystemClock system;
  return gCurrent ? *gCurrent : system;
}

ScopedClock::ScopedClock(Clock& clock) : previous_(gCurrent) { gCurrent = &clock; }

ScopedClock::~ScopedClock() { gCurrent = previous_; }

}  // namespace quiremark::platform
