#pragma once
// The help page's folders as the system names them, and the page built into the exe
// (Windows builds only).
#include "main_window/help.h"

#include <windows.h>

namespace diag {

class Win32HelpPageFiles final : public HelpPageFiles {
  public:
    explicit Win32HelpPageFiles(HINSTANCE instance) : instance_(instance) {}
    std::string localAppDataFolder() override;
    std::string temporaryFolder() override;
    std::string_view builtInPage() override;

  private:
    HINSTANCE instance_;
};

} // namespace diag
