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

std::string Format(Clock::TimePoint time, const char* format) {
  const std::tm local = LocalTime(time);
  char buffer[64];
  const std::size_t n = std::strftime(buffer, sizeof buffer, format, &local);
  return std::string(buffer, n);
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

std::string Clock::ShortDate(TimePoint time) const { return Format(time, "%Y-%m-%d"); }

std::string Clock::LongTime(TimePoint time) const { return Format(time, "%H:%M:%S"); }

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
