#pragma once
#include "forms/design.h"

#include <string_view>

namespace diag {

extern const forms::FormDesign kForm1Design;

} // namespace diag
