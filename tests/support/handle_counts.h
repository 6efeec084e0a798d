#pragma once
// Counting what a process holds, in 32- and 64-bit builds, under Windows and under Wine
// (whose GetGuiResources is a stub that answers 0).
#include <windows.h>

#include <cstdint>

namespace diag::test {

namespace detail {

// Wine keeps each process's GDI objects in a table of its own (GDI_SHARED_MEMORY), reached
// through the PEB's GdiSharedHandleTable: 0x10000 entries of 24 bytes in 32- and 64-bit
// processes alike (its 64-bit fields keep one layout for both). An entry is live when its
// type byte (offset 14) is non-zero; its Unique (offset 12) is the high word of the
// object's handle, bit 7 marking a stock object; the handle's low word is its index.
constexpr int kGdiEntries = 0x10000;
constexpr int kGdiEntrySize = 24;

inline bool underWine() {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

inline const unsigned char* gdiTable() {
    // GCC cannot see that a segment-relative read is in bounds.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds"
#if defined(_WIN64)
    auto* peb = reinterpret_cast<const unsigned char*>(__readgsqword(0x60));
    const unsigned char* table = *reinterpret_cast<const unsigned char* const*>(peb + 0xF8);
#elif defined(__i386__) || defined(_M_IX86)
    auto* peb = reinterpret_cast<const unsigned char*>(__readfsdword(0x30));
    const unsigned char* table = *reinterpret_cast<const unsigned char* const*>(peb + 0x94);
#else
    const unsigned char* table = nullptr;
#endif
#pragma GCC diagnostic pop
    return table;
}

inline uint16_t uniqueOf(const unsigned char* entry) { return static_cast<uint16_t>(entry[12] | (entry[13] << 8)); }

// The layout is checked, not assumed: a new brush must be live at its handle's index
// with its handle's high word, and no longer so once deleted. Any other layout fails
// this, and the count is then refused rather than guessed.
inline bool gdiTableHasOurLayout(const unsigned char* table) {
    HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
    if (!brush) return false;
    auto handle = reinterpret_cast<uintptr_t>(brush);
    const unsigned char* entry = table + (handle & 0xFFFF) * kGdiEntrySize;
    auto high = static_cast<uint16_t>(handle >> 16);
    bool live = entry[14] != 0 && uniqueOf(entry) == high;
    DeleteObject(brush);
    bool freed = entry[14] == 0 || uniqueOf(entry) != high;
    return live && freed;
}

} // namespace detail

// GDI objects of this process, stock objects left out; -1 where they cannot be counted
// honestly. Under Wine, from its handle table, once its layout has passed the check
// above; under Windows, whose table is shared by every process and laid out otherwise
// in 32- and 64-bit processes, the system's own count.
inline int liveGdiObjects() {
    if (!detail::underWine()) {
        DWORD n = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
        return n ? static_cast<int>(n) : -1;
    }
    const unsigned char* table = detail::gdiTable();
    if (!table) return -1;
    static const bool layoutChecked = detail::gdiTableHasOurLayout(table);
    if (!layoutChecked) return -1;
    int live = 0;
    for (int i = 0; i < detail::kGdiEntries; ++i) {
        const unsigned char* entry = table + i * detail::kGdiEntrySize;
        if (entry[14] != 0 && !(detail::uniqueOf(entry) & 0x80)) ++live;
    }
    return live;
}

inline BOOL CALLBACK countOneWindow(HWND, LPARAM count) {
    ++*reinterpret_cast<int*>(count);
    return TRUE;
}
inline BOOL CALLBACK countWindowAndChildren(HWND h, LPARAM count) {
    ++*reinterpret_cast<int*>(count);
    EnumChildWindows(h, &countOneWindow, count);
    return TRUE;
}

// USER objects of this thread, counted as its windows and their children (Windows).
inline int userWindows() {
    int n = 0;
    EnumThreadWindows(GetCurrentThreadId(), &countWindowAndChildren, reinterpret_cast<LPARAM>(&n));
    return n;
}

} // namespace diag::test
