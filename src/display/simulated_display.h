#pragma once
// A display for native runs: a list of modes (like the ones Wine's virtual desktop
// offers), the mode in force, and a log of every call. It can be told to fail its
// enumerations or to answer a change with a given code.
#include "display/display_api.h"

#include <optional>
#include <string>
#include <vector>

namespace diag {

struct Mode {
    int32_t width, height;
    uint16_t bits;
    uint32_t frequency = 60;
    bool operator==(const Mode&) const = default;
};

class SimulatedDisplay final : public DisplayApi {
  public:
    struct Call {
        enum class Kind { Enumerate, EnumerateMode, Change, ChangeToStored, Broadcast } kind;
        DevModeRecord record; // Change: the request as received
        uint32_t flags = 0;
        uint32_t message = 0;
        uintptr_t wParam = 0;
        intptr_t lParam = 0;
        std::optional<uint32_t> pointee; // WM_DEVMODECHANGE: the 32-bit value lParam points at
    };

    // The mask the enumeration reports, as a real driver would.
    static constexpr uint32_t kEnumFields = 0x5C0000; // BITSPERPEL|PELSWIDTH|PELSHEIGHT|DISPLAYFREQUENCY

    explicit SimulatedDisplay(Mode current, std::vector<Mode> modes = standardModes());
    static std::vector<Mode> standardModes();

    bool enumCurrentSettings(DevModeRecord& record) override;
    // Answers from the mode list, in its order, duplicates included as a driver may list them;
    // ENUM_REGISTRY_SETTINGS_ answers the stored mode.
    bool enumSettings(uint32_t modeNumber, DevModeRecord& record) override;
    // Flags 0 change the mode in force only; CDS_UPDATEREGISTRY_ stores it as well.
    int32_t changeSettings(const DevModeRecord& record, uint32_t flags) override;
    int32_t changeToStoredSettings() override;
    void broadcast(uint32_t message, uintptr_t wParam, intptr_t lParam) override;

    Mode current() const { return current_; }
    void setCurrent(Mode mode) { current_ = mode; }
    Mode stored() const { return stored_; } // the user's setting kept by CDS_UPDATEREGISTRY_
    void setStored(Mode mode) { stored_ = mode; }
    void failEnumerations(bool fail) { failEnumerations_ = fail; }
    // Answer the next changes with this code: NOTUPDATED applies the mode without storing
    // it, any other non-zero code applies nothing. With `storing`, only the changes that
    // store get it: the mode is tried, and then cannot be kept.
    void forceResult(std::optional<int32_t> code, bool storing = false) {
        forced_ = code;
        forcedStoring_ = storing;
    }

    const std::vector<Call>& log() const { return log_; }
    void clearLog() { log_.clear(); }
    size_t count(Call::Kind kind) const;

  private:
    Mode current_, stored_;
    std::vector<Mode> modes_;
    bool failEnumerations_ = false;
    std::optional<int32_t> forced_;
    bool forcedStoring_ = false;
    std::vector<Call> log_;
};

} // namespace diag
