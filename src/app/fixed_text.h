#pragma once
// A fixed-length text: assigning a shorter text fills it with spaces on the right,
// a longer one is cut. It holds bytes of the system ANSI code page, as stored.
#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace diag {

template <size_t N> class FixedText {
  public:
    FixedText() { assign({}); }
    explicit FixedText(std::string_view bytes) { assign(bytes); }
    FixedText& operator=(std::string_view bytes) {
        assign(bytes);
        return *this;
    }
    void assign(std::string_view bytes) {
        size_t n = bytes.size() < N ? bytes.size() : N;
        for (size_t i = 0; i < N; ++i) bytes_[i] = i < n ? bytes[i] : ' ';
    }
    std::string_view view() const { return {bytes_.data(), N}; }
    std::string str() const { return std::string(view()); }
    static constexpr size_t size() { return N; }
    bool operator==(const FixedText&) const = default;

  private:
    std::array<char, N> bytes_;
};

} // namespace diag
