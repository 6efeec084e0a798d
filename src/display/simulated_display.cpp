#include "display/simulated_display.h"

#include <algorithm>
#include <cstring>

namespace diag {

SimulatedDisplay::SimulatedDisplay(Mode current, std::vector<Mode> modes)
    : current_(current), stored_(current), modes_(std::move(modes)) {}

std::vector<Mode> SimulatedDisplay::standardModes() {
    std::vector<Mode> modes;
    const Mode sizes[] = {{640, 480, 0},   {800, 600, 0},   {1024, 768, 0},  {1152, 864, 0},
                          {1280, 768, 0},  {1280, 800, 0},  {1280, 1024, 0}, {1366, 768, 0},
                          {1440, 900, 0},  {1600, 1200, 0}, {1920, 1080, 0}};
    for (uint16_t bits : {8, 16, 32})
        for (Mode m : sizes) modes.push_back({m.width, m.height, bits});
    return modes;
}

namespace {
// What a driver fills in for a mode.
void describe(DevModeRecord& record, const Mode& mode) {
    record.setDmFields(SimulatedDisplay::kEnumFields);
    record.setDmBitsPerPel(mode.bits);
    record.setDmPelsWidth(mode.width);
    record.setDmPelsHeight(mode.height);
    record.setDmDisplayFrequency(mode.frequency);
}
} // namespace

bool SimulatedDisplay::enumCurrentSettings(DevModeRecord& record) {
    log_.push_back({Call::Kind::Enumerate, {}, 0, 0, 0, 0, {}});
    if (failEnumerations_) return false;
    static const char device[] = "\\\\.\\DISPLAY1";
    std::memcpy(record.data(), device, sizeof device);
    record.data()[DevModeRecord::kSizeOffset] = static_cast<unsigned char>(DevModeRecord::kSize);
    describe(record, current_);
    return true;
}

bool SimulatedDisplay::enumSettings(uint32_t modeNumber, DevModeRecord& record) {
    log_.push_back({Call::Kind::EnumerateMode, {}, 0, 0, 0, 0, {}});
    bool storedOne = modeNumber == static_cast<uint32_t>(ENUM_REGISTRY_SETTINGS_);
    if (failEnumerations_ || (!storedOne && modeNumber >= modes_.size())) return false;
    const Mode& mode = storedOne ? stored_ : modes_[modeNumber];
    record = DevModeRecord();
    record.setDmSize(DevModeRecord::kSize);
    describe(record, mode);
    return true;
}

int32_t SimulatedDisplay::changeSettings(const DevModeRecord& record, uint32_t flags) {
    log_.push_back({Call::Kind::Change, record, flags, 0, 0, 0, {}});
    Mode wanted = current_;
    if (record.dmFields() & DM_PELSWIDTH_) wanted.width = record.dmPelsWidth();
    if (record.dmFields() & DM_PELSHEIGHT_) wanted.height = record.dmPelsHeight();
    if (record.dmFields() & DM_BITSPERPEL_) wanted.bits = record.dmBitsPerPel();
    bool spared = forcedStoring_ && !(flags & CDS_UPDATEREGISTRY_);
    int32_t forced = forced_ && !spared ? *forced_ : DISP_CHANGE_SUCCESSFUL_;
    if (forced != DISP_CHANGE_NOTUPDATED_ && forced != DISP_CHANGE_SUCCESSFUL_) return forced;
    // The request names no frequency: the first listed one of that size and depth is taken.
    auto offered = std::find_if(modes_.begin(), modes_.end(), [&](const Mode& m) {
        return m.width == wanted.width && m.height == wanted.height && m.bits == wanted.bits;
    });
    if (offered == modes_.end()) return DISP_CHANGE_BADMODE_;
    wanted = *offered;
    current_ = wanted;
    if (forced == DISP_CHANGE_NOTUPDATED_) return DISP_CHANGE_NOTUPDATED_;
    if (flags & CDS_UPDATEREGISTRY_) stored_ = wanted;
    return DISP_CHANGE_SUCCESSFUL_;
}

int32_t SimulatedDisplay::changeToStoredSettings() {
    log_.push_back({Call::Kind::ChangeToStored, {}, 0, 0, 0, 0, {}});
    current_ = stored_;
    return DISP_CHANGE_SUCCESSFUL_;
}

void SimulatedDisplay::broadcast(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    Call call{Call::Kind::Broadcast, {}, 0, message, wParam, lParam, {}};
    if (message == WM_DEVMODECHANGE_ && lParam != 0) call.pointee = *reinterpret_cast<const uint32_t*>(lParam);
    log_.push_back(call);
}

size_t SimulatedDisplay::count(Call::Kind kind) const {
    return static_cast<size_t>(
        std::count_if(log_.begin(), log_.end(), [kind](const Call& c) { return c.kind == kind; }));
}

} // namespace diag
