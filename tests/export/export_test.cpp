#include "csv_export.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "temp_dir.h"

namespace {

using cep::CompletedCalculation;
using cep::testing_support::ReadAll;
using cep::testing_support::TempDir;

CompletedCalculation Calculation(std::string name, double yards, double cep, double moa) {
    CompletedCalculation c;
    c.GroupFileName = std::move(name);
    c.Yards = yards;
    c.Cep = cep;
    c.Moa = moa;
    return c;
}

const CompletedCalculation kTarget = Calculation("target.grp", 100, 1.25, 2.5);
constexpr std::string_view kTargetRecord = "\"target.grp\",100,1.25,2.5,3.75,2.5\r\n";

TEST(CsvNumber, PlainDecimalWithAtMostFifteenSignificantDigits) {
    const struct {
        double value;
        const char* text;
    } cases[] = {
        {100, "100"},
        {1.25, "1.25"},
        {-2.5, "-2.5"},
        {0.25, "0.25"},
        {0, "0"},
        {-0.0, "0"},
        {1.0 / 3.0, "0.333333333333333"},
        {2.0 / 3.0, "0.666666666666667"},
        {123456789.123456789, "123456789.123457"},
        {3.0051807 * 3.0, "9.0155421"},
        {1e20, "100000000000000000000"},
        {1e-7, "0.0000001"},
        {1.5e21, "1.5E+21"},
        {-2.5e-8, "-2.5E-8"},
        {0.1 + 0.2, "0.3"},
        {1e15 + 1, "1000000000000000"},  // the sixteenth digit is rounded away
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(cep::FormatCsvNumber(c.value), c.text);
    }
}

TEST(CsvRecord, BytesOfOneRecord) {
    const struct {
        CompletedCalculation calculation;
        const char* bytes;
    } cases[] = {
        {kTarget, "\"target.grp\",100,1.25,2.5,3.75,2.5\r\n"},
        // A quote in a Linux file name is doubled; commas stay inside the quotes.
        {Calculation("a\"b\".grp", 100, 1.25, 2.5), "\"a\"\"b\"\".grp\",100,1.25,2.5,3.75,2.5\r\n"},
        {Calculation("left,right.grp", 100, 1.25, 2.5), "\"left,right.grp\",100,1.25,2.5,3.75,2.5\r\n"},
        {Calculation("neg.grp", -100, 1.25, -2.5), "\"neg.grp\",-100,1.25,2.5,3.75,-2.5\r\n"},
        {Calculation("frac.grp", 193.5, 0.1, 0.2), "\"frac.grp\",193.5,0.1,0.2,0.3,0.2\r\n"},
        {Calculation("", 0.5, 0, 0), "\"\",0.5,0,0,0,0\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        EXPECT_EQ(cep::FormatCsvRecord(cep::MakeCsvRecord(c.calculation)), c.bytes);
    }
}

TEST(ExportCsv, CreatesTheFileAndConfirmsWithItsPath) {
    TempDir dir;
    const auto saved = cep::ExportCsv(dir.path().string(), kTarget);
    ASSERT_TRUE(saved) << saved.failure().message;
    const std::string path = dir / "CEP.csv";
    EXPECT_EQ(saved.value(), "CEP and MOA data have been saved in \r\n" + path +
                                 "\r\nYou may view this file in MS Excel or similar spreadsheet software.");
    EXPECT_EQ(ReadAll(path), kTargetRecord);
}

TEST(ExportCsv, AppendsOnALineOfItsOwnAndKeepsWhatWasThere) {
    const struct {
        const char* before;
        const char* separator;
    } cases[] = {
        {"\"old.grp\",100,1,2,3,2\r\n", ""},
        {"\"old.grp\",100,1,2,3,2", "\r\n"},
        {"\"old.grp\",100,1,2,3,2\n", ""},
        {"\"old.grp\",100,1,2,3,2\r", "\n"},
        {"", ""},
        {"\"target.grp\",100,1.25,2.5,3.75,2.5\r\n", ""},  // a second Save adds the same line again
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.before);
        TempDir dir;
        const std::string path = dir.Write("CEP.csv", c.before);
        ASSERT_TRUE(cep::ExportCsv(dir.path().string(), kTarget));
        EXPECT_EQ(ReadAll(path), std::string(c.before) + c.separator + std::string(kTargetRecord));
    }
}

// Runs the export in a child process, so that limits and a dropped user
// stay out of the test runner. Returns the child's failure text, or "" when
// it succeeded.
template <class Setup>
std::string ExportInChild(const std::string& folder, Setup setup) {
    int fds[2];
    if (::pipe(fds) != 0) return "pipe failed";
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        setup();
        const auto saved = cep::ExportCsv(folder, kTarget);
        const std::string text = saved ? "" : saved.failure().message;
        (void)!::write(fds[1], text.data(), text.size());
        ::_exit(0);
    }
    ::close(fds[1]);
    std::string text;
    char buffer[512];
    for (ssize_t got; (got = ::read(fds[0], buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<std::size_t>(got));
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return text;
}

void DropToNobody() {
    if (::geteuid() == 0) {
        (void)!::setgid(65534);
        (void)!::setuid(65534);
    }
}

TEST(ExportCsvFailures, ReportAFileAccessFailureWithPathAndReason) {
    TempDir dir;
    const std::string readOnly = dir / "readonly";
    std::filesystem::create_directory(readOnly);
    std::filesystem::permissions(readOnly, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec |
                                               std::filesystem::perms::group_read | std::filesystem::perms::group_exec |
                                               std::filesystem::perms::others_read | std::filesystem::perms::others_exec);
    std::filesystem::permissions(dir.path(), std::filesystem::perms::others_exec | std::filesystem::perms::others_read,
                                 std::filesystem::perm_options::add);
    EXPECT_EQ(ExportInChild(readOnly, DropToNobody),
              "File access failure: could not write " + readOnly + "/CEP.csv (Permission denied)");

    const std::string missing = dir / "missing";
    EXPECT_EQ(ExportInChild(missing, [] {}),
              "File access failure: could not write " + missing + "/CEP.csv (No such file or directory)");

    const std::string csvIsFolder = dir / "csvfolder";
    std::filesystem::create_directories(csvIsFolder + "/CEP.csv");
    EXPECT_EQ(ExportInChild(csvIsFolder, [] {}),
              "File access failure: could not write " + csvIsFolder + "/CEP.csv (Is a directory)");

    const std::string full = dir / "full";
    std::filesystem::create_directory(full);
    std::filesystem::create_symlink("/dev/full", full + "/CEP.csv");
    EXPECT_EQ(ExportInChild(full, [] {}),
              "File access failure: could not write " + full + "/CEP.csv (No space left on device)");
}

TEST(ExportCsvFailures, AShortWriteIsCutBackLeavingEarlierRecordsIntact) {
    TempDir dir;
    const std::string before = "\"old.grp\",100,1,2,3,2\r\n";
    const std::string path = dir.Write("CEP.csv", before);
    // The file may grow by a few bytes only, so the record is written in part.
    const std::string failure = ExportInChild(dir.path().string(), [&] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{static_cast<rlim_t>(before.size() + 5), static_cast<rlim_t>(before.size() + 5)};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    });
    EXPECT_EQ(failure, "File access failure: could not write " + path + " (No space left on device)");
    EXPECT_EQ(ReadAll(path), before);
}

}  // namespace
