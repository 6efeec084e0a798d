#include "app/system_reason.h"

#include <cstring>

namespace diag {

std::string systemReason(unsigned long code) { return std::strerror(static_cast<int>(code)); }

} // namespace diag
