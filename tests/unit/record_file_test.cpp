#include "app/errors.h"
#include "store/store_errors.h"
#include "display/display_modes.h"
#include "display/simulated_display.h"
#include "store/record_file.h"
#include "store/saved_resolution.h"
#include "support/fixed_clock.h"
#include "support/records.h"
#include "temp_dir.h"

#include <cstdlib>
#include <map>

using namespace diag;
using test::FixedClock;
using test::rec;

namespace {

const std::string kName = "W_ECRA_R.WDO";


// Runs the start-up operation against a simulated display and collects the captions,
// also in `shown` when it fails.
class SavedResolutionTest : public InTempDir {
  protected:
    std::map<std::string, std::string> run() { return run(file); }
    std::map<std::string, std::string> run(RecordFile& records) {
        std::map<std::string, std::string>& labels = shown;
        labels.clear();
        auto set = [&labels](const char* name) {
            return [&labels, name](const std::string& text) { labels[name] = text; };
        };
        DisplayModes modes(display);
        captureSavedResolution(m, records, clock, [&] { return modes.readCurrentMode(); },
                               {set("Label11"), set("Label12"), set("Label16"), set("Label15"), [&labels] { labels["notRecorded"] = ""; }},
                               tillScreen);
        return labels;
    }
    using Labels = std::map<std::string, std::string>;
    Labels shown;
    SimulatedDisplay display{{1280, 1024, 32}};
    Module1 m;
    RecordFile file;
    FixedClock clock;
    bool tillScreen = true;
};

// A record file whose n-th write fails, as a full disk or a lost network folder would.
class FailingRecordFile final : public RecordFile {
  public:
    explicit FailingRecordFile(int failAt) : failAt_(failAt) {}
    void write(int32_t recordNumber, const Record& record) override {
        if (++writes_ == failAt_) throw FileError(FileError::Op::Write, name(), directory(), "disque plein");
        RecordFile::write(recordNumber, record);
    }

  private:
    int failAt_, writes_ = 0;
};

} // namespace

TEST_F(SavedResolutionTest, CaptureCutShortAtAnyWriteIsCapturedAgainAtTheNextStart) {
    for (int failAt = 1; failAt <= 4; ++failAt) {
        SCOPED_TRACE(failAt);
        std::filesystem::remove(kName);
        {
            FailingRecordFile failing(failAt);
            EXPECT_THROW(run(failing), FileError);
        }
        EXPECT_EQ(shown, (Labels{{"Label16", "1280"}, {"Label15", "1024"}}))
            << "the mode in force is shown whatever becomes of the file";
        EXPECT_NE(readAll(kName).substr(0, 6), "#INIT#") << "never marked while a number may be missing";
        Labels labels = run();
        EXPECT_EQ(readAll(kName), "#INIT#12-08-202609:0"
                                  "1280                "
                                  "1024                "
                                  "32                  ");
        EXPECT_EQ(labels["Label11"], "1280");
        file.close();
    }
}

TEST_F(SavedResolutionTest, FirstStartCreatesAnInitialisedFile) {
    Labels labels = run();
    EXPECT_EQ(readAll(kName), "#INIT#12-08-202609:0"
                              "1280                "
                              "1024                "
                              "32                  ");
    EXPECT_EQ(labels, (Labels{{"Label11", "1280"}, {"Label12", "1024"}, {"Label16", "1280"}, {"Label15", "1024"}}));
    EXPECT_TRUE(file.isOpen()) << "the file stays open for later commands";
    EXPECT_EQ(m.ModeWidth, 1280.0f);
    EXPECT_EQ(m.ModeHeight, 1024.0f);
    EXPECT_EQ(m.ModeBits, 32);
}

TEST_F(SavedResolutionTest, DateAndTimeAreFixedFormsPaddedWithZeros) {
    clock.time = {2031, 1, 2, 3, 4, 5};
    run();
    EXPECT_EQ(readAll(kName).substr(0, 20), "#INIT#01-02-203103:0");
    EXPECT_EQ(firstRecord({2026, 11, 30, 23, 59, 59}).view(), "#INIT#11-30-202623:5");
}

TEST_F(SavedResolutionTest, LaterStartLeavesTheFileAloneAndShowsBothModes) {
    run();
    std::string before = readAll(kName);
    file.close();
    display.setCurrent({1024, 768, 16});
    clock.time = {2027, 3, 4, 10, 11, 12};
    Labels labels = run();
    EXPECT_EQ(readAll(kName), before);
    EXPECT_EQ(labels, (Labels{{"Label11", "1280"}, {"Label12", "1024"}, {"Label16", "1024"}, {"Label15", "768"}}));
    EXPECT_EQ(m.ModeBits, 16) << "the mode in force, not the saved one";
}

TEST_F(SavedResolutionTest, FileWithoutTheExactMarkerIsInitialisedAfresh) {
    const std::string tail = "extra bytes after the records stay";
    struct Case {
        const char* name;
        std::string content;
        bool keepsTail;
    } cases[] = {
        {"empty", "", false},
        {"5 bytes", "#INIT", false},
        {"lower-case marker", "#init#12-08-202609:0" + rec("800") + rec("600") + rec("8"), false},
        {"marker not at the start", " #INIT#" + std::string(13, ' ') + rec("800") + rec("600") + rec("8"), false},
        {"another program's file", std::string(80, 'Z') + tail, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(kName);
        writeAll(kName, c.content);
        Labels labels = run();
        file.close();
        std::string now = readAll(kName);
        EXPECT_EQ(now.substr(0, 80), "#INIT#12-08-202609:0" + rec("1280") + rec("1024") + rec("32"));
        EXPECT_EQ(now.size(), c.keepsTail ? 80 + tail.size() : 80u);
        EXPECT_EQ(labels["Label11"], "1280");
    }
}

TEST_F(SavedResolutionTest, SavedLabelsShowTheStoredTextTrimmed) {
    struct Case {
        const char* name;
        std::string content;
        std::string width, height;
    } cases[] = {
        {"padded width", "#INIT#" + std::string(14, ' ') + rec("   1280") + rec("1024") + rec("32"), "1280", "1024"},
        {"text, not a number", "#INIT#" + std::string(14, ' ') + rec("grand") + rec("12 80") + rec("32"), "grand",
         "12 80"},
        {"marker with two records only", "#INIT#" + std::string(14, ' ') + rec("1600"), "1600", ""},
        {"marker with a cut second record", "#INIT#" + std::string(14, ' ') + "16", "16", ""},
        {"marker only", "#INIT#", "", ""},
        {"ANSI bytes", "#INIT#" + std::string(14, ' ') + rec("r\xE9gl\xE9") + rec("1024"), "réglé", "1024"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeAll(kName, c.content);
        Labels labels = run();
        file.close();
        EXPECT_EQ(labels["Label11"], c.width);
        EXPECT_EQ(labels["Label12"], c.height);
        EXPECT_EQ(labels["Label16"], "1280");
        EXPECT_EQ(readAll(kName), c.content) << "an initialised file is never written";
    }
}

TEST_F(SavedResolutionTest, RunningTwiceReopensAndShowsTheSame) {
    Labels first = run();
    Labels second = run();
    EXPECT_EQ(first, second);
    EXPECT_TRUE(file.isOpen());
    EXPECT_EQ(readAll(kName).size(), 80u);
}

TEST_F(SavedResolutionTest, FileThatCannotBeOpenedShowsOnlyTheModeInForceAndTheRevertSaysWhy) {
    std::filesystem::create_directory(kName);
    std::string reason;
    try {
        run();
        FAIL() << "no error";
    } catch (const FileError& e) {
        EXPECT_EQ(e.op(), FileError::Op::Open);
        EXPECT_EQ(e.fileName(), kName);
        EXPECT_EQ(e.directory(), std::filesystem::current_path().string());
        reason = e.reason();
        EXPECT_FALSE(reason.empty());
    }
    EXPECT_EQ(shown, (Labels{{"Label16", "1280"}, {"Label15", "1024"}}));
    EXPECT_FALSE(file.isOpen());
    // The revert later in the run tells why the file is not open, not that it is not.
    try {
        readSavedMode(m, file);
        FAIL() << "no error";
    } catch (const FileError& e) {
        EXPECT_EQ(e.op(), FileError::Op::Read);
        EXPECT_EQ(e.cause(), FileError::Cause::NotOpenedAtStart);
        EXPECT_EQ(e.reason(), reason);
    }
}

TEST_F(SavedResolutionTest, QueryOverflowAtFirstStartWritesNothing) {
    for (Mode mode : {Mode{40000, 1024, 32}, Mode{1280, 40000, 32}}) {
        display.setCurrent(mode);
        EXPECT_THROW(run(), OverflowError);
        EXPECT_EQ(readAll(kName), "") << "the numbers come first and none was known";
    }
}

// Where the system tells no mode (a session without a screen), its zeros are no origin.
TEST_F(SavedResolutionTest, FailedQueryAtFirstStartRecordsNothing) {
    display.failEnumerations(true);
    Labels labels = run();
    EXPECT_EQ(readAll(kName), "") << "nothing recorded";
    EXPECT_EQ(labels["Label11"], "");
    EXPECT_EQ(labels.count("Label16"), 0u) << "an unknown mode leaves the current labels, as no 0";
    file.close();
    display.failEnumerations(false);
    run();
    EXPECT_EQ(readAll(kName).substr(20), "1280                1024                32                  ")
        << "captured at the next start that can tell the mode";
}

class RecordFileTest : public InTempDir {};

TEST_F(RecordFileTest, ReadsPastTheEndYieldSpaces) {
    writeAll("f", "0123456789012345678901234"); // one record and 5 bytes
    RecordFile f;
    f.open("f");
    EXPECT_EQ(f.read(1).view(), "01234567890123456789");
    EXPECT_EQ(f.read(2).view(), "01234               ");
    EXPECT_EQ(f.read(3).view(), std::string(20, ' '));
    EXPECT_EQ(f.read(1000000).view(), std::string(20, ' '));
    EXPECT_EQ(readAll("f").size(), 25u) << "reading never grows the file";
}

TEST_F(RecordFileTest, WritingARecordBeyondTheEndLeavesEarlierOnesAsTheyWere) {
    RecordFile f;
    f.open("f");
    f.write(2, Record("second"));
    EXPECT_EQ(readAll("f"), std::string(20, '\0') + rec("second"));
    f.write(1, Record("first"));
    EXPECT_EQ(f.read(1).view(), rec("first"));
}

TEST_F(RecordFileTest, SharedAccessAndCloseAll) {
    RecordFile a, b;
    a.open("shared");
    b.open("shared");
    a.write(1, Record("from a"));
    EXPECT_EQ(b.read(1).view(), rec("from a"));
    closeAllFiles();
    EXPECT_FALSE(a.isOpen());
    EXPECT_FALSE(b.isOpen());
    EXPECT_THROW(a.read(1), FileError);
    EXPECT_THROW(a.write(1, Record("x")), FileError);
    a.close(); // closing a closed file is no error
}

TEST_F(RecordFileTest, RelativeNameIsResolvedWhenOpened) {
    RecordFile f;
    f.open("here");
    std::filesystem::create_directory("sub");
    std::filesystem::current_path("sub");
    f.write(1, Record("x"));
    std::filesystem::current_path("..");
    EXPECT_EQ(readAll("here"), rec("x"));
    EXPECT_FALSE(std::filesystem::exists("sub/here"));
}

// Made immutable with chattr, which stops even root; skipped where the file system or the
// user cannot do that.
class ImmutableFile {
  public:
    explicit ImmutableFile(std::string name) : name_(std::move(name)) {
        ok_ = std::system(("chattr +i " + name_ + " 2>/dev/null").c_str()) == 0;
    }
    ~ImmutableFile() {
        if (ok_) std::system(("chattr -i " + name_ + " 2>/dev/null").c_str());
    }
    bool ok() const { return ok_; }

  private:
    std::string name_;
    bool ok_ = false;
};

TEST_F(SavedResolutionTest, ReadOnlyFileStillServesWhenInitialisedAndSaysSoOtherwise) {
    const std::string initialised = "#INIT#12-08-202609:0" + rec("1024") + rec("768") + rec("16");
    writeAll(kName, initialised);
    {
        ImmutableFile guard(kName);
        if (!guard.ok()) GTEST_SKIP() << "chattr +i is not available here";
        Labels labels = run();
        EXPECT_TRUE(file.readOnly());
        EXPECT_EQ(labels, (Labels{{"Label11", "1024"}, {"Label12", "768"}, {"Label16", "1280"}, {"Label15", "1024"}}));
        EXPECT_EQ(file.read(4).view(), rec("16")) << "the revert can still read it";
        file.close();
    }
    writeAll(kName, "#init# not initialised");
    ImmutableFile guard(kName);
    try {
        run();
        FAIL() << "no error";
    } catch (const FileError& e) {
        EXPECT_EQ(e.op(), FileError::Op::Write);
        EXPECT_EQ(e.reason(), "le fichier est en lecture seule");
    }
    file.close();
    EXPECT_EQ(readAll(kName), "#init# not initialised");
}
