#pragma once
#include "forms/design.h"

#include <string>
#include <string_view>
#include <vector>

namespace diag {

extern const forms::FormDesign kForm1Design;

// The captions of the test buttons, Command6(0) onwards.
std::vector<std::string> testButtonCaptions();

} // namespace diag
