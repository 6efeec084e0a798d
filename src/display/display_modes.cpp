#include "display/display_modes.h"

#include "app/errors.h"
#include "app/values.h"

#include <cmath>

namespace diag {

DevModeRecord DisplayModes::current() {
    DevModeRecord record; // zero-filled, dmSize 0; a failed enumeration leaves it so
    if (!api_.enumCurrentSettings(record)) ++failedQueries_;
    return record;
}

int16_t DisplayModes::GetCurrentWidth() { return narrowToInt16(current().dmPelsWidth()); }
int16_t DisplayModes::GetCurrentHeight() { return narrowToInt16(current().dmPelsHeight()); }
int16_t DisplayModes::GetCurrentBitsPerPixel() { return static_cast<int16_t>(current().dmBitsPerPel()); }

DisplayModes::Outcome DisplayModes::ChangeResolution(float width, float height, int16_t bits) {
    // Early test: all three queries run before anything is compared.
    int16_t curWidth = GetCurrentWidth();
    int16_t curHeight = GetCurrentHeight();
    int16_t curBits = GetCurrentBitsPerPixel();
    if (static_cast<float>(curWidth) == width && static_cast<float>(curHeight) == height && curBits == bits)
        return Outcome::AlreadyInForce;

    DevModeRecord request = current();
    // A changed width replaces the whole mask the enumeration returned; the others add to it.
    if (width != static_cast<float>(GetCurrentWidth())) request.setDmFields(DM_PELSWIDTH_);
    if (height != static_cast<float>(GetCurrentHeight())) request.setDmFields(request.dmFields() | DM_PELSHEIGHT_);
    if (bits != GetCurrentBitsPerPixel()) request.setDmFields(request.dmFields() | DM_BITSPERPEL_);

    int32_t pelsWidth = toInt32(width);
    int32_t pelsHeight = toInt32(height);
    request.setDmPelsWidth(pelsWidth);
    request.setDmPelsHeight(pelsHeight);
    request.setDmBitsPerPel(static_cast<uint16_t>(bits));

    int32_t result = api_.changeSettings(request, CDS_UPDATEREGISTRY_);
    // Only a mode that is really in force is announced to the other windows.
    if (result != DISP_CHANGE_SUCCESSFUL_ && result != DISP_CHANGE_NOTUPDATED_)
        throw DisplayChangeError(pelsWidth, pelsHeight, bits, result);

    static const uint32_t emptyDeviceName = 0;
    api_.broadcast(WM_DEVMODECHANGE_, 0, reinterpret_cast<intptr_t>(&emptyDeviceName));

    double packed = static_cast<double>(width) + static_cast<double>(height) * 65536.0;
    if (!std::isfinite(packed)) throw FloatingPointError("packed display size is not finite");
    int32_t lParam = toInt32(packed);
    api_.broadcast(WM_DISPLAYCHANGE_, static_cast<uint32_t>(static_cast<int32_t>(bits)), lParam);

    return result == DISP_CHANGE_NOTUPDATED_ ? Outcome::AppliedNotStored : Outcome::Applied;
}

} // namespace diag
