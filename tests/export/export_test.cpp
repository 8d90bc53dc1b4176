#include "csv_export.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "temp_dir.h"

namespace {

using cep::testing_support::ReadAll;
using cep::testing_support::TempDir;

cep::CompletedCalculation Calculation(std::string name, double yards, double cep, double moa) {
    return {std::move(name), yards, cep, moa, cep::MoaVerdict::ExceedsMoa};
}

const cep::CompletedCalculation kTarget = Calculation("target.grp", 100, 1.25, 2.5);
const std::string kTargetRecord = "\"target.grp\",100,1.25,2.5,3.75,2.5\r\n";

TEST(CsvRecord, PlainDecimalsQuotedNameCrLf) {
    const std::pair<double, const char*> numbers[] = {
        {100, "100"}, {-2.5, "-2.5"}, {0.25, "0.25"}, {-0.0, "0"}, {2.0 / 3.0, "0.666666666666667"},
        {123456789.123456789, "123456789.123457"}, {0.1 + 0.2, "0.3"}, {1e15 + 1, "1000000000000000"},
        {1e20, "100000000000000000000"}, {1e-7, "0.0000001"}, {1.5e21, "1.5E+21"}, {-2.5e-8, "-2.5E-8"},
    };
    for (const auto& [value, text] : numbers) EXPECT_EQ(cep::FormatCsvNumber(value), text);

    const std::pair<cep::CompletedCalculation, const char*> records[] = {
        {kTarget, "\"target.grp\",100,1.25,2.5,3.75,2.5\r\n"},
        // A quote in a Linux file name is doubled; commas stay inside the quotes.
        {Calculation("a\"b,c.grp", -100, 0.1, -0.2), "\"a\"\"b,c.grp\",-100,0.1,0.2,0.3,-0.2\r\n"},
    };
    for (const auto& [calculation, bytes] : records) {
        EXPECT_EQ(cep::FormatCsvRecord(cep::MakeCsvRecord(calculation)), bytes);
    }
}

TEST(ExportCsv, AppendsOnALineOfItsOwnAndConfirmsWithThePath) {
    const std::pair<const char*, const char*> cases[] = {
        {nullptr, ""},  // no file yet
        {"\"old.grp\",100,1,2,3,2\r\n", ""},
        {"\"old.grp\",100,1,2,3,2", "\r\n"},
        {"\"old.grp\",100,1,2,3,2\r", "\n"},
        {"\"target.grp\",100,1.25,2.5,3.75,2.5\r\n", ""},  // a second Save adds the same line again
    };
    for (const auto& [before, separator] : cases) {
        SCOPED_TRACE(before ? before : "(none)");
        TempDir dir;
        if (before) dir.Write("CEP.csv", before);
        const auto saved = cep::ExportCsv(dir.path().string(), kTarget);
        ASSERT_TRUE(saved) << saved.failure().message;
        EXPECT_EQ(saved.value(), "CEP and MOA data have been saved in \r\n" + (dir / "CEP.csv") +
                                     "\r\nYou may view this file in MS Excel or similar spreadsheet software.");
        EXPECT_EQ(ReadAll(dir / "CEP.csv"), std::string(before ? before : "") + separator + kTargetRecord);
    }
}

// Runs the export in a child process, so that a dropped user or a file size
// limit stays out of the test runner. Returns the failure text, "" on success.
template <class Setup>
std::string ExportInChild(const std::string& folder, Setup setup) {
    int pipe[2];
    if (::pipe(pipe) != 0) return "no pipe";
    if (::fork() == 0) {
        setup();
        const auto saved = cep::ExportCsv(folder, kTarget);
        const std::string failure = saved ? "" : saved.failure().message;
        (void)!::write(pipe[1], failure.data(), failure.size());
        ::_exit(0);
    }
    ::close(pipe[1]);
    char text[512];
    const ssize_t got = ::read(pipe[0], text, sizeof text);
    ::close(pipe[0]);
    ::wait(nullptr);
    return std::string(text, got > 0 ? static_cast<std::size_t>(got) : 0);
}

TEST(ExportCsv, FailuresNameThePathAndReasonAndLoseNothing) {
    namespace fs = std::filesystem;
    TempDir dir;
    const std::string before = "\"old.grp\",100,1,2,3,2\r\n";
    const auto folder = [&](const std::string& name) {
        fs::create_directory(dir / name);
        return dir / name;
    };
    fs::permissions(dir.path(), fs::perms::others_exec, fs::perm_options::add);
    const std::string readOnly = folder("readonly");
    fs::permissions(readOnly, fs::perms::owner_write, fs::perm_options::remove);
    const std::string csvIsFolder = folder("csvfolder");
    fs::create_directory(csvIsFolder + "/CEP.csv");
    const std::string full = folder("full");
    fs::create_symlink("/dev/full", full + "/CEP.csv");
    const std::string limited = folder("limited");
    const std::string limitedCsv = dir.Write("limited/CEP.csv", before);

    const auto asNobody = [] { (void)!::setgid(65534), (void)!::setuid(65534); };
    // The file may grow by a few bytes only, so the record would be written in part.
    const auto smallLimit = [&] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{before.size() + 5, before.size() + 5};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    };
    const auto none = [] {};
    const std::string prefix = "File access failure: could not write ";
    EXPECT_EQ(ExportInChild(readOnly, asNobody), prefix + readOnly + "/CEP.csv (Permission denied)");
    EXPECT_EQ(ExportInChild(dir / "missing", none), prefix + (dir / "missing") + "/CEP.csv (No such file or directory)");
    EXPECT_EQ(ExportInChild(csvIsFolder, none), prefix + csvIsFolder + "/CEP.csv (Is a directory)");
    EXPECT_EQ(ExportInChild(full, none), prefix + full + "/CEP.csv (it is not a regular file)");
    EXPECT_EQ(ExportInChild(limited, smallLimit), prefix + limitedCsv + " (No space left on device)");
    EXPECT_EQ(ReadAll(limitedCsv), before);
}

}  // namespace
