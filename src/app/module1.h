#pragma once
// The shared variables of the program's module. They live for the whole run, start
// empty or 0 and are never saved. Requests to the confirmation dialog and its answers
// pass through DialogCode and DialogText only.
#include "app/fixed_text.h"

#include <cstdint>
#include <string>

namespace diag {

constexpr size_t kRecordLength = 20;
using Record = FixedText<kRecordLength>;

struct Module1 {
    Record RecordBuffer;     // one record of the record file, ANSI bytes
    float ModeWidth = 0;     // pixels of the display mode being worked on
    float ModeHeight = 0;
    int16_t ModeBits = 0;    // bits per pixel of that mode
    int16_t SeparatorPos = 0; // 1-based position of the x in the last test caption parsed
    int16_t DialogCode = 0;  // request in, answer out
    std::string DialogText;  // prompt in, typed text out (UTF-8)
};

} // namespace diag
