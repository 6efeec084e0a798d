#pragma once
#include "forms/design.h"

#include <string_view>

namespace diag {

#ifndef DIAGRESO_HELP_URL
#define DIAGRESO_HELP_URL "http://www.example.com/aide/decalage.htm"
#endif
// The help page: the caption of Label6(1) and the address the help command opens.
inline constexpr std::string_view kHelpAddress = DIAGRESO_HELP_URL;

extern const forms::FormDesign kForm1Design;

} // namespace diag
