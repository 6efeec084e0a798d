#pragma once
// The display operations exactly as the program uses them.
#include "display/devmode.h"

#include <cstdint>

namespace diag {

class DisplayApi {
  public:
    virtual ~DisplayApi() = default;
    // EnumDisplaySettingsA(NULL, ENUM_CURRENT_SETTINGS_, &record): false when the system
    // does not tell the mode in force (then the record says nothing; it is counted and left).
    virtual bool enumCurrentSettings(DevModeRecord& record) = 0;
    // EnumDisplaySettingsA(NULL, modeNumber, &record): the modes the display offers, numbered
    // from 0, false past the last one; or ENUM_REGISTRY_SETTINGS_, the stored setting.
    virtual bool enumSettings(uint32_t modeNumber, DevModeRecord& record) = 0;
    // ChangeDisplaySettingsA(&record, flags): a DISP_CHANGE_* code. Flags 0 apply the mode
    // for the session only; CDS_UPDATEREGISTRY_ stores it as the user's setting too.
    virtual int32_t changeSettings(const DevModeRecord& record, uint32_t flags) = 0;
    // ChangeDisplaySettingsA(NULL, 0): back to the stored setting; a DISP_CHANGE_* code.
    virtual int32_t changeToStoredSettings() = 0;
    // A message sent (not posted) to every top-level window; returns when all have handled
    // it or a hung one has been given up on.
    virtual void broadcast(uint32_t message, uintptr_t wParam, intptr_t lParam) = 0;
};

} // namespace diag
