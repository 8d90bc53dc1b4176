// SPDX-License-Identifier: MIT
// Saving on Windows: another program's lock, a spreadsheet that denies
// writing, a read-only file, and names outside the ANSI code page.
#include "export/csv_export.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "tests/export/export_fixtures.h"
#include "tests/support/temp_dir.h"

namespace {

using cep::testing_support::ReadAll;
using cep::testing_support::TempDir;
using cep::testing_support::Utf8Path;
namespace fs = std::filesystem;

using namespace cep::testing_support;

// Another process holding `file` as `how` says, until the object goes.
class Holder {
public:
    Holder(const std::string& how, const std::string& file) {
        std::wstring command = L"\"" + Utf8Path(CEP_HOLD_FILE_PATH).wstring() + L"\" " + Utf8Path(how).wstring() +
                               L" \"" + Utf8Path(file).wstring() + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        started_ = ::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                                    nullptr, &startup, &process_);
        // It says it holds the file by creating FILE.held.
        for (int wait = 0; started_ && wait < 1000 && !fs::exists(Utf8Path(file + ".held")); ++wait) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    ~Holder() {
        if (!started_) return;
        ::TerminateProcess(process_.hProcess, 0);
        ::WaitForSingleObject(process_.hProcess, INFINITE);
        ::CloseHandle(process_.hProcess);
        ::CloseHandle(process_.hThread);
    }
    Holder(const Holder&) = delete;
    Holder& operator=(const Holder&) = delete;
    bool holding(const std::string& file) const { return started_ && fs::exists(Utf8Path(file + ".held")); }

private:
    BOOL started_ = FALSE;
    PROCESS_INFORMATION process_{};
};

const std::string kPrefix = "File access failure: could not write ";

TEST(ExportCsvWindows, AnotherProgramsLockIsWaitedForABoundedTime) {
    using namespace std::chrono;
    TempDir dir;
    const std::string csv = dir.Write("CEP.csv", kBefore);
    Holder holder("lock", csv);
    ASSERT_TRUE(holder.holding(csv));
    const auto start = steady_clock::now();
    const auto saved = cep::ExportCsv(dir.path().string(), kTarget);
    const auto waited = steady_clock::now() - start;
    ASSERT_FALSE(saved.ok());
    EXPECT_EQ(saved.failure().message, kPrefix + csv + " (the file is locked by another program)");
    EXPECT_GE(waited, cep::kLockBound);
    EXPECT_LT(waited, cep::kLockBound + milliseconds(1000));
}

TEST(ExportCsvWindows, FailuresSayWhatToDoAndLoseNothing) {
    TempDir dir;
    const auto folder = [&](const std::string& name) {
        fs::create_directory(Utf8Path(dir / name));
        return dir / name;
    };
    const std::string spreadsheet = folder("spreadsheet"), readOnly = folder("readonly"),
                      csvIsFolder = folder("csvfolder");
    dir.Write("spreadsheet/CEP.csv", kBefore);
    dir.Write("readonly/CEP.csv", kBefore);
    ASSERT_TRUE(::SetFileAttributesW(Utf8Path(readOnly + "\\CEP.csv").c_str(), FILE_ATTRIBUTE_READONLY));
    fs::create_directory(Utf8Path(csvIsFolder + "\\CEP.csv"));
    Holder holder("deny-write", spreadsheet + "\\CEP.csv");
    ASSERT_TRUE(holder.holding(spreadsheet + "\\CEP.csv"));

    // Wine run as root writes to a read-only file all the same; Windows does not.
    const HANDLE probe = ::CreateFileW(Utf8Path(readOnly + "\\CEP.csv").c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    const bool readOnlyHolds = probe == INVALID_HANDLE_VALUE;
    if (!readOnlyHolds) ::CloseHandle(probe);

    const struct {
        std::string folder, reason, after;
    } cases[] = {
        {spreadsheet, "the file is open in another program, such as a spreadsheet; close it there and save again",
         kBefore},
        {readOnlyHolds ? readOnly : spreadsheet,
         readOnlyHolds ? "Permission denied"
                       : "the file is open in another program, such as a spreadsheet; close it there and save again",
         kBefore},
        {csvIsFolder, "Is a directory", ""},
        {dir / "missing", "No such file or directory", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folder);
        const auto saved = cep::ExportCsv(c.folder, kTarget);
        ASSERT_FALSE(saved.ok());
        EXPECT_EQ(saved.failure().message, kPrefix + c.folder + "\\CEP.csv (" + c.reason + ")");
        if (fs::is_regular_file(Utf8Path(c.folder + "\\CEP.csv"))) {
            EXPECT_EQ(ReadAll(c.folder + "\\CEP.csv"), c.after);
        }
    }
    ::SetFileAttributesW(Utf8Path(readOnly + "\\CEP.csv").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(ExportCsvWindows, AFolderNamedOutsideTheAnsiCodePage) {
    TempDir dir;
    const std::string folder = dir / "\xe7\x9b\xae\xe6\xa8\x99";  // CJK
    fs::create_directory(Utf8Path(folder));
    const cep::CompletedCalculation greek{"\xce\xb2\xce\xbf\xce\xbb\xce\xae.grp", 100, 1.25, 2.5,
                                          cep::MoaVerdict::ExceedsMoa};
    for (int save = 0; save < 2; ++save) {
        const auto saved = cep::ExportCsv(folder, greek);
        ASSERT_TRUE(saved.ok()) << saved.failure().message;
        EXPECT_EQ(saved.value(),
                  "CEP and MOA data have been saved in \r\n" + folder +
                      "\\CEP.csv\r\nYou may view this file in MS Excel or similar spreadsheet software.");
    }
    const std::string record = "\"\xce\xb2\xce\xbf\xce\xbb\xce\xae.grp\",100,1.25,2.5,3.75,2.5\r\n";
    EXPECT_EQ(ReadAll(folder + "\\CEP.csv"), record + record);
}

}  // namespace
