#pragma once
// The display mode in force as one reading tells it: what the display layer reads
// (DisplayModes::readCurrentMode) and the start-up capture records.
#include <cstdint>

namespace diag {

struct CurrentMode {
    int16_t width, height, bits;
};

} // namespace diag
