#pragma once

#include <chrono>
#include <optional>
#include <string>

namespace quiremark::platform {

// The time and the regional formats in one place, so tests can fix them.
class Clock {
 public:
  using TimePoint = std::chrono::system_clock::time_point;
  virtual ~Clock() = default;

  virtual TimePoint Now() const = 0;
  // Short date "yyyy-MM-dd" of the local time.
  virtual std::string ShortDate(TimePoint time) const;
  // Time "HH:mm:ss" of the local time.
  virtual std::string LongTime(TimePoint time) const;
  // A number as the regional format writes it: up to 7 significant digits
  // (single precision), no thousands separator, the regional decimal separator.
  virtual std::string FormatNumber(double value) const;
  // Reads a number written by FormatNumber ("." is accepted too); empty
  // optional when the text is no number.
  virtual std::optional<double> ParseNumber(const std::string& text) const;
  // The regional decimal separator (from the user's locale, "." by default).
  virtual char DecimalSeparator() const;
};

// The real clock.
class SystemClock : public Clock {
 public:
  TimePoint Now() const override { return std::chrono::system_clock::now(); }
};

// The clock the program uses; a SystemClock unless a test has put its own.
Clock& CurrentClock();

// Replaces the current clock for the lifetime of the object (tests).
class ScopedClock {
 public:
  explicit ScopedClock(Clock& clock);
  ~ScopedClock();
  ScopedClock(const ScopedClock&) = delete;
  ScopedClock& operator=(const ScopedClock&) = delete;

 private:
  Clock* previous_;
};

}  // namespace quiremark::platform
