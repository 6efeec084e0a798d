#include "report/report.h"

#include "app/error_report.h"
#include "app/errors.h"
#include "app/values.h"
#include "report/json.h"
#include "store/record_file.h"
#include "store/saved_resolution.h"
#include "store/whole_file.h"

#include <algorithm>
#include <cstdio>
#include <optional>

namespace diag {

namespace {

// A driver that never says "no more" cannot keep the report going for ever.
constexpr uint32_t kMostModeNumbers = 65536;

struct ModeValues {
    int32_t width, height;
    uint32_t bits, frequency;
    bool operator==(const ModeValues&) const = default;
};

ModeValues valuesOf(const DevModeRecord& r) {
    return {r.dmPelsWidth(), r.dmPelsHeight(), r.dmBitsPerPel(), r.dmDisplayFrequency()};
}

// The members of one JSON object, appended in order.
class Members {
  public:
    Members(std::string& out, const char* separator) : out_(out), separator_(separator) { out_ += '{'; }
    Members& raw(const char* key, std::string_view json) {
        if (!first_) out_ += separator_;
        first_ = false;
        out_ += '"';
        out_ += key;
        out_ += "\": ";
        out_ += json;
        return *this;
    }
    Members& text(const char* key, std::string_view value) { return raw(key, jsonString(value)); }
    Members& number(const char* key, int64_t value) { return raw(key, std::to_string(value)); }
    void close(const char* before = "") {
        out_ += before;
        out_ += '}';
    }

  private:
    std::string& out_;
    const char* separator_;
    bool first_ = true;
};

void appendMode(std::string& out, const ModeValues& m) {
    Members(out, ", ")
        .number("width", m.width)
        .number("height", m.height)
        .number("bits", m.bits)
        .number("frequency", m.frequency)
        .close();
}

// Every distinct mode, in the order the system numbers them (it lists some more than once).
std::vector<ModeValues> offeredModes(DisplayApi& display) {
    std::vector<ModeValues> modes;
    DevModeRecord record;
    for (uint32_t n = 0; n < kMostModeNumbers && display.enumSettings(n, record); ++n) {
        ModeValues mode = valuesOf(record);
        if (std::find(modes.begin(), modes.end(), mode) == modes.end()) modes.push_back(mode);
    }
    return modes;
}

// Read as the window's test buttons read their captions: the width before the x, the
// height after it.
void appendTest(std::string& out, const std::string& caption, const std::vector<ModeValues>& modes, uint32_t bits) {
    std::string_view text = caption;
    size_t x = text.find_first_of("xX");
    int32_t width = toInt32(readNumber(x == std::string_view::npos ? std::string_view{} : text.substr(0, x)));
    int32_t height = toInt32(readNumber(x == std::string_view::npos ? text : text.substr(x + 1)));
    bool offered = std::any_of(modes.begin(), modes.end(), [&](const ModeValues& m) {
        return m.width == width && m.height == height && m.bits == bits;
    });
    Members(out, ", ")
        .text("caption", caption)
        .number("width", width)
        .number("height", height)
        .raw("offered", offered ? "true" : "false")
        .close();
}

// The stored texts as the window shows them; null without an initialised file; the French
// message when the file cannot be read, or beside the texts when the revert would refuse them.
void appendSaved(std::string& out) {
    RecordFile file;
    size_t start = out.size();
    try {
        if (!file.openToRead(kRecordFileName)) return void(out += "null");
        Record first = file.read(1);
        if (!isInitialised(first)) return void(out += "null");
        Members saved(out, ", ");
        saved.text("width", storedText(file.read(2)))
            .text("height", storedText(file.read(3)))
            .text("bits", storedText(file.read(4)))
            .text("since", storedText(Record(first.view().substr(kInitMarker.size()))));
        try {
            Module1 scratch;
            readSavedMode(scratch, file);
        } catch (const AppError& e) {
            saved.text("error", describeError(e));
        }
        saved.close();
    } catch (const FileError& e) {
        out.resize(start);
        Members(out, ", ").text("error", describeError(e)).close();
    }
}

std::string timeText(const LocalTime& t) {
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second);
    return text;
}

} // namespace

std::string buildReport(const ReportSources& sources) {
    std::optional<int32_t> height = systemFontHeight(sources.font);
    int dpi = systemDpi(sources.font);
    DevModeRecord current; // zero-filled: a failed enumeration reads as 0, as in the window
    sources.display.enumCurrentSettings(current);
    std::vector<ModeValues> modes = offeredModes(sources.display);

    std::string json, part;
    Members report(json, ",\r\n  ");
    json += "\r\n  ";
    report.text("program", "diagreso")
        .text("version", sources.version)
        .text("computer", sources.computer)
        .text("time", timeText(sources.clock.now()));
    Members text(part, ", ");
    text.text("state", isEnlarged(height) ? "Grossie" : "Normale");
    if (height) text.number("height_px", *height);
    else text.raw("height_px", "null");
    if (dpi > 0) text.number("dpi", dpi);
    else text.raw("dpi", "null");
    text.close();
    report.raw("text", part);
    part.clear();
    appendMode(part, valuesOf(current));
    report.raw("current", part).text("record_file", absolutePath(kRecordFileName));
    part.clear();
    appendSaved(part);
    report.raw("saved", part);

    part = "[";
    for (const ModeValues& mode : modes) {
        part += part.size() > 1 ? ",\r\n    " : "\r\n    ";
        appendMode(part, mode);
    }
    part += modes.empty() ? "]" : "\r\n  ]";
    report.raw("modes", part);
    part = "[";
    for (const std::string& caption : sources.testCaptions) {
        part += part.size() > 1 ? ",\r\n    " : "\r\n    ";
        appendTest(part, caption, modes, current.dmBitsPerPel());
    }
    part += sources.testCaptions.empty() ? "]" : "\r\n  ]";
    report.raw("tests", part).close("\r\n");
    return json + "\r\n";
}

} // namespace diag
