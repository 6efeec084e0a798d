#pragma once
// A clock that says what the test wants, for the date of the record file's first record.
#include "app/clock.h"

namespace diag::test {

class FixedClock final : public Clock {
  public:
    LocalTime now() const override { return time; }
    LocalTime time{2026, 12, 8, 9, 5, 30};
};

} // namespace diag::test
