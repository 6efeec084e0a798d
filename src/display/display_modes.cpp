#include "display/display_modes.h"

#include "app/errors.h"
#include "display/display_errors.h"
#include "app/values.h"

#include <cmath>
#include <utility>

namespace diag {

namespace {
// One place builds the error, whatever step the system refused.
[[noreturn]] void refused(int32_t width, int32_t height, int16_t bits, int32_t code, bool inForce = false) {
    throw DisplayChangeError(width, height, bits, code, inForce);
}

bool sameMode(const DevModeRecord& a, const DevModeRecord& b) {
    return a.dmPelsWidth() == b.dmPelsWidth() && a.dmPelsHeight() == b.dmPelsHeight() &&
           a.dmBitsPerPel() == b.dmBitsPerPel();
}
} // namespace

DisplayModes::Enumerated DisplayModes::current() {
    Enumerated now{}; // zero-filled, dmSize 0; a failed enumeration leaves it so
    now.told = api_.enumCurrentSettings(now.record);
    if (!now.told) ++failedQueries_;
    return now;
}

int16_t DisplayModes::GetCurrentWidth() { return narrowToInt16(current().record.dmPelsWidth()); }
int16_t DisplayModes::GetCurrentHeight() { return narrowToInt16(current().record.dmPelsHeight()); }
int16_t DisplayModes::GetCurrentBitsPerPixel() { return static_cast<int16_t>(current().record.dmBitsPerPel()); }

std::optional<CurrentMode> DisplayModes::readCurrentMode() {
    uint32_t failedBefore = failedQueries_;
    CurrentMode mode{GetCurrentWidth(), GetCurrentHeight(), GetCurrentBitsPerPixel()}; // in that order
    if (failedQueries_ != failedBefore) return std::nullopt;
    return mode;
}

bool DisplayModes::prepare(float width, float height, int16_t bits, Enumerated& base, DevModeRecord& request) {
    // Early test: all three queries run before anything is compared; a mode the system
    // could not tell is not taken as in force.
    std::optional<CurrentMode> now = readCurrentMode();
    if (now && static_cast<float>(now->width) == width && static_cast<float>(now->height) == height &&
        now->bits == bits)
        return false;

    base = current();
    request = base.record;
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
    Enumerated base;
    DevModeRecord request, stored;
    if (!prepare(width, height, bits, base, request)) {
        // In force for the session only (a trial nobody answered, another program's
        // change): the next sign-in would bring the stored one back.
        request = current().record;
        if (api_.enumSettings(static_cast<uint32_t>(ENUM_REGISTRY_SETTINGS_), stored) && sameMode(stored, request))
            return Outcome::AlreadyInForce;
        int32_t result = api_.changeSettings(request, CDS_UPDATEREGISTRY_);
        if (result == DISP_CHANGE_NOTUPDATED_) return Outcome::AppliedNotStored;
        if (result != DISP_CHANGE_SUCCESSFUL_)
            refused(request.dmPelsWidth(), request.dmPelsHeight(), bits, result, /*inForce=*/true);
        return Outcome::StoredOnly;
    }
    int32_t result = api_.changeSettings(request, CDS_UPDATEREGISTRY_);
    // Only a mode that is really in force is announced to the other windows.
    if (result != DISP_CHANGE_SUCCESSFUL_ && result != DISP_CHANGE_NOTUPDATED_)
        refused(request.dmPelsWidth(), request.dmPelsHeight(), bits, result);
    announce(width, height, bits);
    return result == DISP_CHANGE_NOTUPDATED_ ? Outcome::AppliedNotStored : Outcome::Applied;
}

std::optional<DisplayModes::Trial> DisplayModes::TryResolution(float width, float height, int16_t bits) {
    Enumerated before; // the mode in force, as the system described it
    DevModeRecord request;
    if (!prepare(width, height, bits, before, request)) return std::nullopt;
    const DevModeRecord& earlier = before.record;
    bool earlierKnown = before.told;
    DevModeRecord stored;
    bool storedKnown = api_.enumSettings(static_cast<uint32_t>(ENUM_REGISTRY_SETTINGS_), stored);
    int32_t result = api_.changeSettings(request, 0);
    if (result != DISP_CHANGE_SUCCESSFUL_ && result != DISP_CHANGE_NOTUPDATED_)
        refused(request.dmPelsWidth(), request.dmPelsHeight(), bits, result);
    // Owned from here: whatever fails next, the mode is given back.
    std::optional<Trial> trial(Trial(*this));
    trial->request = request;
    trial->earlier = earlier;
    trial->mode = {request.dmPelsWidth(), request.dmPelsHeight()};
    trial->bits = bits;
    trial->backToStored = !earlierKnown || (storedKnown && sameMode(earlier, stored));
    const DevModeRecord* back = earlierKnown ? &earlier : storedKnown ? &stored : nullptr;
    if (back) {
        trial->back = ModeSize{back->dmPelsWidth(), back->dmPelsHeight()};
        trial->backBits = static_cast<int16_t>(back->dmBitsPerPel());
    }
    announce(width, height, bits);
    return trial;
}

DisplayModes::Trial::Trial(DisplayModes& modes) : modes_(&modes) { modes.trial_ = this; }

DisplayModes::Trial::Trial(Trial&& other) noexcept
    : mode(other.mode), bits(other.bits), back(other.back), backBits(other.backBits),
      modes_(std::exchange(other.modes_, nullptr)), request(other.request), earlier(other.earlier),
      backToStored(other.backToStored), overtaken_(other.overtaken_) {
    if (modes_) modes_->trial_ = this;
}

DisplayModes::Trial::~Trial() {
    try {
        giveBack();
    } catch (...) {
    }
}

DisplayModes* DisplayModes::Trial::release() {
    DisplayModes* modes = std::exchange(modes_, nullptr);
    if (modes && modes->trial_ == this) modes->trial_ = nullptr;
    return modes;
}

void DisplayModes::endTrial() noexcept {
    try {
        if (trial_) trial_->giveBack();
    } catch (...) {
    }
}

void DisplayModes::Trial::keep() {
    DisplayModes* modes = release();
    if (!modes) return;
    int32_t result = modes->api_.changeSettings(request, CDS_UPDATEREGISTRY_);
    if (result != DISP_CHANGE_SUCCESSFUL_) refused(mode.width, mode.height, bits, result, /*inForce=*/true);
}

void DisplayModes::Trial::giveBack() {
    // Whoever ends the trial (the answer, an error's unwinding, the program's end), another
    // program's change made meanwhile is not undone, even before its notice is dispatched.
    if (endIfOvertaken()) return;
    DisplayModes* modes = release();
    if (!modes) return;
    DisplayApi& api = modes->api_;
    int32_t result = backToStored ? api.changeToStoredSettings() : api.changeSettings(earlier, 0);
    // Back to the stored mode, whose size could not be read: the one in force tells it
    // (zeros where it cannot either).
    ModeSize size{};
    int16_t sizeBits = 0;
    if (back) {
        size = *back;
        sizeBits = backBits;
    } else if (std::optional<CurrentMode> now = modes->readCurrentMode()) {
        size = {now->width, now->height};
        sizeBits = now->bits;
    }
    if (result != DISP_CHANGE_SUCCESSFUL_) refused(size.width, size.height, sizeBits, result);
    modes->announce(size.width, size.height, sizeBits);
}

bool DisplayModes::Trial::endIfOvertaken() {
    if (!modes_) return overtaken_;
    std::optional<CurrentMode> now = modes_->readCurrentMode();
    if (!now || (now->width == mode.width && now->height == mode.height && now->bits == bits)) return false;
    release();
    return overtaken_ = true;
}

} // namespace diag
