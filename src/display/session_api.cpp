#include "display/session_api.h"

namespace diag {

std::optional<DpiScaling> dpiScalingOf(std::string_view layers) {
    bool unaware = false, gdiScaling = false;
    while (!layers.empty()) {
        size_t end = layers.find(' ');
        std::string_view word = layers.substr(0, end);
        layers = end == std::string_view::npos ? std::string_view() : layers.substr(end + 1);
        // The system writes the layers in capitals; a hand-written value may not be.
        auto is = [&](std::string_view name) {
            if (word.size() != name.size()) return false;
            for (size_t i = 0; i < word.size(); ++i)
                if ((word[i] >= 'a' && word[i] <= 'z' ? word[i] - 32 : word[i]) != name[i]) return false;
            return true;
        };
        if (is("HIGHDPIAWARE")) return DpiScaling::Application;
        unaware = unaware || is("DPIUNAWARE");
        gdiScaling = gdiScaling || is("GDIDPISCALING");
    }
    if (!unaware) return std::nullopt;
    return gdiScaling ? DpiScaling::SystemEnhanced : DpiScaling::System;
}

} // namespace diag
