#pragma once
// One move-only owner per kind of handle or system memory, so that nothing that must be
// freed once is copied, and owning is kept apart from borrowing (Windows builds only).
// The forms' own kinds (windows, fonts, paint and DC selections) are in forms/win32_handles.h.
#include <windows.h>
#include <objbase.h>

#include <utility>

namespace diag {

template <class H, class Deleter> class UniqueHandle {
  public:
    UniqueHandle() = default;
    explicit UniqueHandle(H h) : h_(h) {}
    ~UniqueHandle() { reset(); }
    UniqueHandle(UniqueHandle&& o) noexcept : h_(std::exchange(o.h_, H{})) {}
    UniqueHandle& operator=(UniqueHandle&& o) noexcept {
        if (this != &o) {
            reset();
            h_ = std::exchange(o.h_, H{});
        }
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    H get() const { return h_; }
    // Whether it holds a handle: neither the empty value nor one the deleter calls none.
    explicit operator bool() const { return holds(h_); }
    // For the functions that hand back a handle: the old one is freed first.
    H* put() {
        reset();
        return &h_;
    }
    void reset(H h = H{}) {
        if (holds(h_)) Deleter{}(h_);
        h_ = h;
    }
    // Gives up ownership: the caller frees it.
    H release() { return std::exchange(h_, H{}); }

  private:
    static bool holds(H h) {
        if constexpr (requires { Deleter::isNone(h); })
            return h != H{} && !Deleter::isNone(h);
        else
            return h != H{};
    }
    H h_{};
};

struct KernelHandleDeleter {
    // CreateFileW and its kin answer a failure with INVALID_HANDLE_VALUE, not null.
    static bool isNone(HANDLE h) { return h == INVALID_HANDLE_VALUE; }
    void operator()(HANDLE h) const { CloseHandle(h); }
};
struct LocalMemoryDeleter {
    void operator()(void* p) const { LocalFree(p); }
};
struct CoTaskMemoryDeleter {
    void operator()(void* p) const { CoTaskMemFree(p); }
};
struct ModuleDeleter {
    void operator()(HMODULE m) const { FreeLibrary(m); }
};
struct RegistryKeyDeleter {
    void operator()(HKEY k) const { RegCloseKey(k); }
};

// A kernel object (a process, a thread, a token, a file): CloseHandle.
using UniqueKernelHandle = UniqueHandle<HANDLE, KernelHandleDeleter>;
// Closes it at once, for a caller that must know whether closing failed (a write the
// system finishes at the close): false with the system's error in GetLastError.
inline bool closeNow(UniqueKernelHandle& handle) {
    bool held = static_cast<bool>(handle);
    HANDLE h = handle.release();
    return !held || CloseHandle(h) != FALSE;
}

// What the system allocated for us with LocalAlloc (FormatMessage, CommandLineToArgvW).
template <class T> using UniqueLocal = UniqueHandle<T*, LocalMemoryDeleter>;
// What a COM or shell function allocated with CoTaskMemAlloc (SHGetKnownFolderPath).
template <class T> using UniqueCoTaskMemory = UniqueHandle<T*, CoTaskMemoryDeleter>;
// A library loaded at run time: FreeLibrary.
using UniqueModule = UniqueHandle<HMODULE, ModuleDeleter>;
// An opened registry key: RegCloseKey.
using UniqueRegistryKey = UniqueHandle<HKEY, RegistryKeyDeleter>;

// A COM interface pointer: moved, never copied, released once.
template <class T> class ComPtr {
  public:
    ComPtr() = default;
    ~ComPtr() { reset(); }
    ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    ComPtr& operator=(ComPtr&& o) noexcept {
        if (this != &o) {
            reset();
            p_ = std::exchange(o.p_, nullptr);
        }
        return *this;
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;

    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // For the functions that hand back an interface: the old one is released first.
    T** put() {
        reset();
        return &p_;
    }
    void reset() {
        if (p_) std::exchange(p_, nullptr)->Release();
    }

  private:
    T* p_ = nullptr;
};

} // namespace diag
