#pragma once
// Local wall-clock time, behind an interface so tests can fix the first record's date.
namespace diag {

struct LocalTime {
    int year, month, day, hour, minute, second;
};

class Clock {
  public:
    virtual ~Clock() = default;
    virtual LocalTime now() const = 0;
};

// The system's local time.
class SystemClock final : public Clock {
  public:
    LocalTime now() const override;
};

} // namespace diag
