#pragma once
// Saves what the screen shows, for the test harness to keep as an artefact (Windows).
#include <windows.h>

#include <fstream>
#include <string>

namespace diag::test {

// The screen as a 24-bit BMP, for the harness to keep as an artefact.
inline void saveScreen(const std::string& path) {
    int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, h, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, dib);
    BitBlt(memory, 0, 0, w, h, screen, 0, 0, SRCCOPY);
    GdiFlush();
    DWORD stride = static_cast<DWORD>((w * 3 + 3) & ~3), size = stride * static_cast<DWORD>(h);
    BITMAPFILEHEADER file{0x4D42, static_cast<DWORD>(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + size), 0,
                          0, sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)};
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
    out.write(static_cast<const char*>(bits), size);
    SelectObject(memory, old);
    DeleteObject(dib);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}

// Where the harness wants artefacts saved (DIAGRESO_ARTEFACTS), or empty.
inline std::string artefactPath(const char* file) {
    const char* dir = std::getenv("DIAGRESO_ARTEFACTS");
    return dir ? std::string(dir) + "\\" + file : std::string();
}

} // namespace diag::test
