#pragma once
// The display-mode record the program exchanges with the system: the DEVMODEA layout
// up to and including dmDisplayFrequency, 124 bytes, little-endian. Our own type, so
// the platform can never write past it (the Win32 adapter copies 124 bytes in and out).
#include <array>
#include <cstdint>
#include <cstring>

namespace diag {

constexpr int32_t ENUM_CURRENT_SETTINGS_ = -1;
constexpr int32_t ENUM_REGISTRY_SETTINGS_ = -2; // the mode stored as the user's setting
constexpr uint32_t DM_BITSPERPEL_ = 0x40000;
constexpr uint32_t DM_PELSWIDTH_ = 0x80000;
constexpr uint32_t DM_PELSHEIGHT_ = 0x100000;
constexpr uint32_t CDS_UPDATEREGISTRY_ = 1;
constexpr uint32_t WM_DEVMODECHANGE_ = 0x001B;
constexpr uint32_t WM_DISPLAYCHANGE_ = 0x007E;

// ChangeDisplaySettings results.
constexpr int32_t DISP_CHANGE_SUCCESSFUL_ = 0;
constexpr int32_t DISP_CHANGE_RESTART_ = 1;
constexpr int32_t DISP_CHANGE_FAILED_ = -1;
constexpr int32_t DISP_CHANGE_BADMODE_ = -2;
constexpr int32_t DISP_CHANGE_NOTUPDATED_ = -3;
constexpr int32_t DISP_CHANGE_BADFLAGS_ = -4;
constexpr int32_t DISP_CHANGE_BADPARAM_ = -5;
constexpr int32_t DISP_CHANGE_BADDUALVIEW_ = -6;

class DevModeRecord {
  public:
    static constexpr size_t kSize = 124;
    static constexpr size_t kSizeOffset = 36, kFieldsOffset = 40, kBitsOffset = 104, kWidthOffset = 108,
                            kHeightOffset = 112, kFrequencyOffset = 120;

    DevModeRecord() { bytes_.fill(0); }

    uint16_t dmSize() const { return get<uint16_t>(kSizeOffset); }
    void setDmSize(uint16_t v) { put(kSizeOffset, v); }
    uint32_t dmFields() const { return get<uint32_t>(kFieldsOffset); }
    void setDmFields(uint32_t v) { put(kFieldsOffset, v); }
    // The low half of the platform's 32-bit field; the high half is written 0 and ignored on reading.
    uint16_t dmBitsPerPel() const { return get<uint16_t>(kBitsOffset); }
    void setDmBitsPerPel(uint16_t v) { put<uint32_t>(kBitsOffset, v); }
    int32_t dmPelsWidth() const { return get<int32_t>(kWidthOffset); }
    void setDmPelsWidth(int32_t v) { put(kWidthOffset, v); }
    int32_t dmPelsHeight() const { return get<int32_t>(kHeightOffset); }
    void setDmPelsHeight(int32_t v) { put(kHeightOffset, v); }
    uint32_t dmDisplayFrequency() const { return get<uint32_t>(kFrequencyOffset); }
    void setDmDisplayFrequency(uint32_t v) { put(kFrequencyOffset, v); }

    unsigned char* data() { return bytes_.data(); }
    const unsigned char* data() const { return bytes_.data(); }
    bool operator==(const DevModeRecord&) const = default;

  private:
    // Little-endian regardless of the host.
    template <class T> T get(size_t off) const {
        uint64_t v = 0;
        for (size_t i = 0; i < sizeof(T); ++i) v |= uint64_t(bytes_[off + i]) << (8 * i);
        return static_cast<T>(v);
    }
    template <class T> void put(size_t off, T value) {
        auto v = static_cast<uint64_t>(static_cast<std::make_unsigned_t<T>>(value));
        for (size_t i = 0; i < sizeof(T); ++i) bytes_[off + i] = static_cast<unsigned char>(v >> (8 * i));
    }
    std::array<unsigned char, kSize> bytes_;
};

} // namespace diag
