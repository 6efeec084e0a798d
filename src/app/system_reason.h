#pragma once
// The operating system's own words for an error code, UTF-8, without the final full
// stop: in French where the system has the French text, in the user's language
// otherwise. Windows codes are GetLastError values; elsewhere they are errno values.
#include <string>

namespace diag {

std::string systemReason(unsigned long code);

} // namespace diag
