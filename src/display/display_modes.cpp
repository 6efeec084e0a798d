#include "display/display_modes.h"

#include "app/errors.h"
#include "display/display_errors.h"
#include "app/values.h"

#include <cmath>

namespace diag {

namespace {
// One place builds the error, whatever step the system refused.
[[noreturn]] void refused(int32_t width, int32_t height, int16_t bits, int32_t code, bool inForce = false) {
    throw DisplayChangeError(width, height, bits, code, inForce);
}
} // namespace

DevModeRecord DisplayModes::current() {
    DevModeRecord record; // zero-filled, dmSize 0; a failed enumeration leaves it so
    if (!api_.enumCurrentSettings(record)) ++failedQueries_;
    return record;
}

int16_t DisplayModes::GetCurrentWidth() { return narrowToInt16(current().dmPelsWidth()); }
int16_t DisplayModes::GetCurrentHeight() { return narrowToInt16(current().dmPelsHeight()); }
int16_t DisplayModes::GetCurrentBitsPerPixel() { return static_cast<int16_t>(current().dmBitsPerPel()); }

bool DisplayModes::prepare(float width, float height, int16_t bits, DevModeRecord& request, DevModeRecord* base) {
    // Early test: all three queries run before anything is compared.
    int16_t curWidth = GetCurrentWidth();
    int16_t curHeight = GetCurrentHeight();
    int16_t curBits = GetCurrentBitsPerPixel();
    if (static_cast<float>(curWidth) == width && static_cast<float>(curHeight) == height && curBits == bits)
        return false;

    request = current();
    if (base) *base = request;
    // A changed width replaces the whole mask the enumeration returned; the others add to it.
    if (width != static_cast<float>(GetCurrentWidth())) request.setDmFields(DM_PELSWIDTH_);
    if (height != static_cast<float>(GetCurrentHeight())) request.setDmFields(request.dmFields() | DM_PELSHEIGHT_);
    if (bits != GetCurrentBitsPerPixel()) request.setDmFields(request.dmFields() | DM_BITSPERPEL_);

    request.setDmPelsWidth(toInt32(width));
    request.setDmPelsHeight(toInt32(height));
    request.setDmBitsPerPel(static_cast<uint16_t>(bits));
    return true;
}

void DisplayModes::announce(double width, double height, int16_t bits) {
    static const uint32_t emptyDeviceName = 0;
    api_.broadcast(WM_DEVMODECHANGE_, 0, reinterpret_cast<intptr_t>(&emptyDeviceName));

    double packed = width + height * 65536.0;
    if (!std::isfinite(packed)) throw FloatingPointError("packed display size is not finite");
    int32_t lParam = toInt32(packed);
    api_.broadcast(WM_DISPLAYCHANGE_, static_cast<uint32_t>(static_cast<int32_t>(bits)), lParam);
}

DisplayModes::Outcome DisplayModes::ChangeResolution(float width, float height, int16_t bits) {
    DevModeRecord request;
    if (!prepare(width, height, bits, request)) return Outcome::AlreadyInForce;
    int32_t result = api_.changeSettings(request, CDS_UPDATEREGISTRY_);
    // Only a mode that is really in force is announced to the other windows.
    if (result != DISP_CHANGE_SUCCESSFUL_ && result != DISP_CHANGE_NOTUPDATED_)
        refused(request.dmPelsWidth(), request.dmPelsHeight(), bits, result);
    announce(width, height, bits);
    return result == DISP_CHANGE_NOTUPDATED_ ? Outcome::AppliedNotStored : Outcome::Applied;
}

std::optional<DisplayModes::Trial> DisplayModes::TryResolution(float width, float height, int16_t bits) {
    Trial trial;
    uint32_t failedBefore = failedQueries_;
    if (!prepare(width, height, bits, trial.request, &trial.earlier)) return std::nullopt;
    trial.mode = {trial.request.dmPelsWidth(), trial.request.dmPelsHeight()};
    trial.bits = bits;
    bool earlierKnown = failedQueries_ == failedBefore;
    DevModeRecord stored;
    bool storedKnown = api_.enumSettings(static_cast<uint32_t>(ENUM_REGISTRY_SETTINGS_), stored);
    auto same = [](const DevModeRecord& a, const DevModeRecord& b) {
        return a.dmPelsWidth() == b.dmPelsWidth() && a.dmPelsHeight() == b.dmPelsHeight() &&
               a.dmBitsPerPel() == b.dmBitsPerPel();
    };
    trial.backToStored = !earlierKnown || (storedKnown && same(trial.earlier, stored));
    const DevModeRecord* back = earlierKnown ? &trial.earlier : storedKnown ? &stored : nullptr;
    if (back) {
        trial.back = ModeSize{back->dmPelsWidth(), back->dmPelsHeight()};
        trial.backBits = static_cast<int16_t>(back->dmBitsPerPel());
    }

    int32_t result = api_.changeSettings(trial.request, 0);
    if (result != DISP_CHANGE_SUCCESSFUL_ && result != DISP_CHANGE_NOTUPDATED_) refused(trial.mode.width, trial.mode.height, bits, result);
    announce(width, height, bits);
    return trial;
}

void DisplayModes::KeepResolution(const Trial& trial) {
    int32_t result = api_.changeSettings(trial.request, CDS_UPDATEREGISTRY_);
    if (result != DISP_CHANGE_SUCCESSFUL_)
        refused(trial.mode.width, trial.mode.height, trial.bits, result, /*inForce=*/true);
}

void DisplayModes::GiveBack(const Trial& trial) {
    int32_t result = trial.backToStored ? api_.changeToStoredSettings() : api_.changeSettings(trial.earlier, 0);
    // Back to the stored mode, whose size could not be read: the one in force tells it.
    ModeSize back = trial.back.value_or(ModeSize{GetCurrentWidth(), GetCurrentHeight()});
    int16_t backBits = trial.back ? trial.backBits : GetCurrentBitsPerPixel();
    if (result != DISP_CHANGE_SUCCESSFUL_) refused(back.width, back.height, backBits, result);
    announce(back.width, back.height, backBits);
}

} // namespace diag
