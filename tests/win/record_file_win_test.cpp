// The record file on the real file system: where it lands, what reads past its end
// give, and that it shares the file with other openers while it holds it.
#include "win_test_support.h"

#include "app/errors.h"
#include "store/store_errors.h"
#include "app/win32_wide.h"
#include "store/record_file.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <ostream>
#include <string>

namespace diag {
namespace {

using wintest::TempCurrentDirectory;

const std::string kBlank(kRecordLength, ' ');

std::string readAll(const std::wstring& path) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return "<cannot open>";
    std::string out;
    char buf[256];
    DWORD got = 0;
    while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got) out.append(buf, got);
    CloseHandle(h);
    return out;
}

void writeAll(const std::wstring& path, const std::string& bytes) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD done = 0;
    ASSERT_TRUE(WriteFile(h, bytes.data(), DWORD(bytes.size()), &done, nullptr));
    CloseHandle(h);
}

// An open with the given sharing, as another program would try it; the error when it fails.
DWORD tryOpen(const std::wstring& path, DWORD access, DWORD share) {
    HANDLE h = CreateFileW(path.c_str(), access, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return GetLastError();
    CloseHandle(h);
    return ERROR_SUCCESS;
}

class RecordFileWinTest : public ::testing::Test {
  protected:
    void TearDown() override { closeAllFiles(); }
    TempCurrentDirectory dir_;
};

// Names as the program and its users give them: relative, so the current directory decides.
class RecordFileNameWinTest : public RecordFileWinTest, public ::testing::WithParamInterface<const char*> {};

INSTANTIATE_TEST_SUITE_P(Names, RecordFileNameWinTest, ::testing::Values("diagreso.dat", "résolution.dat"));

TEST_P(RecordFileNameWinTest, IsCreatedEmptyInTheCurrentDirectory) {
    const std::string name = GetParam();
    const std::wstring path = dir_.file(widen(name));
    ASSERT_EQ(GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES);

    RecordFile file;
    file.open(name);
    EXPECT_TRUE(file.isOpen());
    EXPECT_EQ(file.name(), name);
    EXPECT_EQ(widen(file.directory()), dir_.path());
    EXPECT_EQ(widen(currentDirectory()), dir_.path());

    DWORD attributes = GetFileAttributesW(path.c_str());
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES) << "not created where the current directory is";
    EXPECT_FALSE(attributes & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(readAll(path), "");
}

TEST_F(RecordFileWinTest, WritesAtRecordOffsetsAndReadsBack) {
    RecordFile file;
    file.open("data.dat");
    file.write(1, Record("1024 x 768"));
    file.write(3, Record("exactly twenty chars"));
    file.write(2, Record("a text longer than twenty bytes"));

    EXPECT_EQ(file.read(1).str(), "1024 x 768          ");
    EXPECT_EQ(file.read(2).str(), "a text longer than t");
    EXPECT_EQ(file.read(3).str(), "exactly twenty chars");
    EXPECT_EQ(readAll(dir_.file(L"data.dat")),
              "1024 x 768          a text longer than texactly twenty chars");

    // Rewriting a record in the middle leaves its neighbours alone.
    file.write(2, Record("x"));
    EXPECT_EQ(readAll(dir_.file(L"data.dat")),
              "1024 x 768          x                   exactly twenty chars");
}

// Reads reaching past the end: missing bytes are spaces, never stale buffer contents.
struct PastEnd {
    const char* name;
    std::string fileBytes;
    int32_t recordNumber;
    std::string expected;
};

std::ostream& operator<<(std::ostream& os, const PastEnd& c) {
    return os << c.fileBytes.size() << "-byte file, record " << c.recordNumber;
}

class RecordFilePastEndWinTest : public RecordFileWinTest, public ::testing::WithParamInterface<PastEnd> {};

INSTANTIATE_TEST_SUITE_P(Reads, RecordFilePastEndWinTest,
                         ::testing::Values(PastEnd{"EmptyFile", "", 1, kBlank},
                                           PastEnd{"RightAfterTheEnd", std::string(40, 'a'), 3, kBlank},
                                           PastEnd{"FarBeyond", std::string(20, 'a'), 1000, kBlank},
                                           PastEnd{"CutShort", std::string(20, 'a') + "0123456789", 2,
                                                   "0123456789          "}),
                         [](const auto& p) { return std::string(p.param.name); });

TEST_P(RecordFilePastEndWinTest, ReadsSpacesForMissingBytes) {
    const PastEnd& c = GetParam();
    writeAll(dir_.file(L"data.dat"), c.fileBytes);
    RecordFile file;
    file.open("data.dat");
    // A record read before, so a reader that kept its buffer would show it.
    if (c.fileBytes.size() >= kRecordLength) {
        EXPECT_EQ(file.read(1).str(), c.fileBytes.substr(0, kRecordLength));
    }
    EXPECT_EQ(file.read(c.recordNumber).str(), c.expected);
    EXPECT_EQ(readAll(dir_.file(L"data.dat")), c.fileBytes) << "a read must not grow the file";
}

TEST_F(RecordFileWinTest, TwoOpenersShareTheFileAndSeeEachOthersWrites) {
    RecordFile first, second;
    first.open("shared.dat");
    second.open("shared.dat");

    first.write(1, Record("from the first"));
    EXPECT_EQ(second.read(1).str(), "from the first      ");
    second.write(2, Record("from the second"));
    EXPECT_EQ(first.read(2).str(), "from the second     ");

    // Another program opening it for reading and writing while we hold it.
    const std::wstring path = dir_.file(L"shared.dat");
    HANDLE other = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE) << "error " << GetLastError();
    DWORD done = 0;
    OVERLAPPED at{};
    at.Offset = 2 * kRecordLength;
    ASSERT_TRUE(WriteFile(other, "written outside     ", DWORD(kRecordLength), &done, &at));
    CloseHandle(other);
    EXPECT_EQ(first.read(3).str(), "written outside     ");
    EXPECT_EQ(second.read(3).str(), "written outside     ");
}

TEST_F(RecordFileWinTest, CloseAllFilesReleasesEveryHandle) {
    RecordFile first, second;
    first.open("a.dat");
    second.open("b.dat");
    first.write(1, Record("kept"));
    // While we hold them, an exclusive open is refused ...
    EXPECT_EQ(tryOpen(dir_.file(L"a.dat"), GENERIC_READ, 0), DWORD(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(tryOpen(dir_.file(L"b.dat"), GENERIC_READ, 0), DWORD(ERROR_SHARING_VIOLATION));

    closeAllFiles();

    EXPECT_FALSE(first.isOpen());
    EXPECT_FALSE(second.isOpen());
    // ... and once closed it is granted, and the files can be deleted.
    EXPECT_EQ(tryOpen(dir_.file(L"a.dat"), GENERIC_READ | GENERIC_WRITE, 0), DWORD(ERROR_SUCCESS));
    EXPECT_EQ(tryOpen(dir_.file(L"b.dat"), GENERIC_READ | GENERIC_WRITE, 0), DWORD(ERROR_SUCCESS));
    EXPECT_TRUE(DeleteFileW(dir_.file(L"b.dat").c_str()));
    EXPECT_EQ(readAll(dir_.file(L"a.dat")), "kept                ");
    EXPECT_THROW(first.read(1), FileError);
}

TEST_F(RecordFileWinTest, OpeningADirectoryFailsWithFileError) {
    ASSERT_TRUE(CreateDirectoryW(dir_.file(L"data.dat").c_str(), nullptr));
    RecordFile file;
    try {
        file.open("data.dat");
        ADD_FAILURE() << "no FileError";
    } catch (const FileError& e) {
        EXPECT_EQ(e.op(), FileError::Op::Open);
        EXPECT_EQ(e.fileName(), "data.dat");
        EXPECT_EQ(widen(e.directory()), dir_.path());
        EXPECT_FALSE(e.reason().empty());
    }
    EXPECT_FALSE(file.isOpen());
}

// The command line reads the file while the window may hold it: opened to read, it is
// never created and stops no one from opening, writing or deleting it.
TEST_F(RecordFileWinTest, OpenedToReadItIsNeitherCreatedNorLocked) {
    RecordFile reader;
    EXPECT_FALSE(reader.openToRead("absent.dat"));
    EXPECT_FALSE(reader.isOpen());
    EXPECT_EQ(GetFileAttributesW(dir_.file(L"absent.dat").c_str()), INVALID_FILE_ATTRIBUTES);

    RecordFile window;
    window.open("shared.dat");
    window.write(1, Record("#INIT#"));
    ASSERT_TRUE(reader.openToRead("shared.dat")) << "while the window holds it";
    EXPECT_EQ(reader.read(1).str(), "#INIT#              ");
    EXPECT_THROW(reader.write(1, Record("never")), FileError);
    window.close();
    RecordFile again; // a window started while the reader holds it
    again.open("shared.dat");
    again.write(2, Record("written"));
    EXPECT_EQ(reader.read(2).str(), "written             ");
    again.close();
    EXPECT_TRUE(DeleteFileW(dir_.file(L"shared.dat").c_str())) << "error " << GetLastError();

    ASSERT_TRUE(CreateDirectoryW(dir_.file(L"folder.dat").c_str(), nullptr));
    try {
        reader.openToRead("folder.dat");
        ADD_FAILURE() << "no FileError";
    } catch (const FileError& e) {
        EXPECT_EQ(e.op(), FileError::Op::OpenToRead);
        EXPECT_FALSE(e.reason().empty());
    }
}

} // namespace
} // namespace diag
