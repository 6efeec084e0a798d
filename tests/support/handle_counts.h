#pragma once
// Counting what a process holds (Windows, 64-bit; Wine 8's GetGuiResources is a stub).
#include <windows.h>

#include <cstdint>

namespace diag::test {

// GDI objects of this process, from its GDI handle table (the PEB's GdiSharedHandleTable,
// 0x10000 entries of 24 bytes): entries with a type, less the stock objects. -1 where the
// table cannot be read (32-bit builds, which this machine cannot run).
inline int liveGdiObjects() {
#ifdef _WIN64
    // The PEB is at gs:[0x60]; GCC cannot see that the segment read is in bounds.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds"
    auto* peb = reinterpret_cast<const unsigned char*>(__readgsqword(0x60));
#pragma GCC diagnostic pop
    auto* table = *reinterpret_cast<const unsigned char* const*>(peb + 0xF8);
    if (!table) return -1;
    int live = 0;
    for (int i = 0; i < 0x10000; ++i) {
        const unsigned char* entry = table + i * 24;
        uint16_t unique = static_cast<uint16_t>(entry[12] | (entry[13] << 8));
        if (entry[14] != 0 && !(unique & 0x80)) ++live;
    }
    return live;
#else
    return -1;
#endif
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
