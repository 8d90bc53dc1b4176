// SPDX-License-Identifier: MIT
// Saving where only a POSIX system can set the scene: other users, size
// limits, devices, pipes, links, failing flushes and closes, other processes.
#include "export/csv_export.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <map>
#include <regex>
#include <sstream>
#include <utility>

#include "tests/export/export_fixtures.h"
#include "tests/support/lock_holder_posix.h"
#include "tests/support/temp_dir.h"

// fdatasync and close fail on demand: each armed error number fails the next call once.
namespace {
int gFailSync = 0;
int gFailClose = 0;
int gSkipCloses = 0;  // closes that succeed before the armed one fails
// Another program's line, appended (without any lock) just before the armed flush fails.
std::string gAppendBeforeSyncFails;
}  // namespace
extern "C" {
int __real_fdatasync(int fd);
int __real_close(int fd);
int __wrap_fdatasync(int fd) {
    if (!gAppendBeforeSyncFails.empty()) {
        const std::string path = "/proc/self/fd/" + std::to_string(fd);
        const int other = ::open(path.c_str(), O_WRONLY | O_APPEND);
        (void)!::write(other, gAppendBeforeSyncFails.data(), gAppendBeforeSyncFails.size());
        __real_close(other);
        gAppendBeforeSyncFails.clear();
    }
    if (const int error = std::exchange(gFailSync, 0)) return errno = error, -1;
    return __real_fdatasync(fd);
}
int __wrap_close(int fd) {
    const int rc = __real_close(fd);  // the descriptor is gone even when close fails
    if (gFailClose != 0 && gSkipCloses > 0) {
        --gSkipCloses;
        return rc;
    }
    if (const int error = std::exchange(gFailClose, 0)) return errno = error, -1;
    return rc;
}
}

namespace {

using namespace cep::testing_support;
namespace fs = std::filesystem;

TEST(ExportCsv, FollowsALinkToARegularFile) {
    TempDir dir;
    fs::create_symlink("real.csv", dir / "CEP.csv");
    dir.Write("real.csv", kBefore);
    const auto saved = cep::ExportCsv(dir.path().string(), kTarget);
    ASSERT_TRUE(saved) << saved.failure().message;
    EXPECT_EQ(ReadAll(dir / "real.csv"), kBefore + kTargetRecord);
}

// What is written into a pipe until its last writer closes it.
std::string ReadToEnd(int fd) {
    std::string bytes;
    char text[4096];
    for (ssize_t got; (got = ::read(fd, text, sizeof text)) > 0;) bytes.append(text, static_cast<std::size_t>(got));
    ::close(fd);
    return bytes;
}

// Runs `body` in a child process, so that a dropped user or a file size limit
// stays out of the test runner; returns what the child reported.
template <class Body>
std::string InChild(Body body) {
    int pipe[2];
    if (::pipe(pipe) != 0) return "no pipe";
    if (::fork() == 0) {
        const std::string report = body();
        (void)!::write(pipe[1], report.data(), report.size());
        ::_exit(0);
    }
    ::close(pipe[1]);
    const std::string report = ReadToEnd(pipe[0]);
    ::wait(nullptr);
    return report;
}

// Saves in a child after `setup`: the failure text, "" on success.
template <class Setup>
std::string ExportInChild(const std::string& folder, Setup setup) {
    return InChild([&] {
        setup();
        const auto saved = cep::ExportCsv(folder, kTarget);
        return saved ? std::string() : saved.failure().message;
    });
}

// The file may grow by `bytes` only, so a longer record is written in part.
void LimitGrowth(std::size_t bytes) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{kBefore.size() + bytes, kBefore.size() + bytes};
    ::setrlimit(RLIMIT_FSIZE, &limit);
}

// Tests run as root, whom permission bits do not stop: the child gives the
// file to an ordinary user and becomes that user.
void AsNobody(const std::string& file = {}) {
    if (!file.empty()) (void)!::chown(file.c_str(), 65534, 65534);
    (void)!::setgroups(0, nullptr);  // a root group kept would open root's folders to it
    (void)!::setgid(65534), (void)!::setuid(65534);
}

TEST(ExportCsv, FailuresNameThePathAndReasonAndLoseNothing) {
    TempDir dir;
    fs::permissions(dir.path(), fs::perms::others_exec, fs::perm_options::add);
    const auto folder = [&](const std::string& name, const char* csv = nullptr) {
        fs::create_directory(dir / name);
        if (csv) dir.Write(name + "/CEP.csv", csv);
        return dir / name;
    };
    const std::string readOnly = folder("readonly");
    fs::permissions(readOnly, fs::perms::owner_write, fs::perm_options::remove);
    const std::string readOnlyFile = folder("readonlyfile", kBefore.c_str());
    fs::permissions(readOnlyFile, fs::perms::all);
    fs::permissions(readOnlyFile + "/CEP.csv", fs::perms::owner_read | fs::perms::others_read);
    const std::string csvIsFolder = folder("csvfolder");
    fs::create_directory(csvIsFolder + "/CEP.csv");
    const std::string full = folder("full"), null = folder("null"), pipe = folder("pipe");
    fs::create_symlink("/dev/full", full + "/CEP.csv");
    fs::create_symlink("/dev/null", null + "/CEP.csv");
    ::mkfifo((pipe + "/CEP.csv").c_str(), 0666);
    const std::string writeOnly = folder("writeonly", kBefore.c_str());
    fs::permissions(writeOnly, fs::perms::others_exec, fs::perm_options::add);  // whatever the umask
    fs::permissions(writeOnly + "/CEP.csv", fs::perms::owner_write);

    const auto none = [] {};
    const std::string prefix = "File access failure: could not write ";
    const struct {
        std::string folder;
        std::function<void()> setup;
        std::string reason;
        std::string after = kBefore;
    } cases[] = {
        {readOnly, [] { AsNobody(); },
         "the folder " + readOnly +
             " is not writable; CEP.csv is kept beside the program, "
             "so install the program in a folder of your own or make this one writable",
         ""},
        {readOnlyFile, [&] { AsNobody(); }, "Permission denied"},
        {dir / "missing", none, "No such file or directory", ""},
        {csvIsFolder, none, "Is a directory", ""},
        {full, none, "it is not a regular file", ""},
        {null, none, "it is not a regular file", ""},
        {pipe, none, "it is not a regular file", ""},
        {folder("limited", kBefore.c_str()), [] { LimitGrowth(5); }, "No space left on device"},
        {folder("sync", kBefore.c_str()), [] { gFailSync = EIO; }, "Input/output error"},
        {folder("close", kBefore.c_str()), [] { gFailClose = EDQUOT; }, "Disk quota exceeded"},
        // The file's own last close fails: no confirmation, though the bytes are there.
        {folder("lastclose", kBefore.c_str()), [] { gFailClose = EIO, gSkipCloses = 1; }, "Input/output error",
         kBefore + kTargetRecord},
        // A program that takes no lock appends after our record and then our flush
        // fails: our bytes are no longer the last, so nothing is cut, its line survives.
        {folder("other", kBefore.c_str()),
         [] { gFailSync = EIO, gAppendBeforeSyncFails = "\"other.grp\",1,1,2,3,1\r\n"; }, "Input/output error",
         kBefore + kTargetRecord + "\"other.grp\",1,1,2,3,1\r\n"},
        // May be appended to, not read: appended to all the same.
        {writeOnly, [&] { AsNobody(writeOnly + "/CEP.csv"); }, "", kBefore + kTargetRecord},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folder);
        EXPECT_EQ(ExportInChild(c.folder, c.setup),
                  c.reason.empty() ? "" : prefix + c.folder + "/CEP.csv (" + c.reason + ")");
        if (fs::is_regular_file(c.folder + "/CEP.csv")) {
            fs::permissions(c.folder + "/CEP.csv", fs::perms::owner_read, fs::perm_options::add);  // to look
            EXPECT_EQ(ReadAll(c.folder + "/CEP.csv"), c.after);
        }
    }
}

TEST(ExportCsv, WaitsABoundedTimeForAnotherProgramsLock) {
    using namespace std::chrono;
    TempDir dir;
    const std::string csv = dir.Write("CEP.csv", kBefore);
    LockHolder holder(csv);  // another program, holding the file locked for longer than the bound
    ASSERT_TRUE(holder.holding());
    const auto start = steady_clock::now();
    const auto saved = cep::ExportCsv(dir.path().string(), kTarget);
    const auto waited = steady_clock::now() - start;
    ASSERT_FALSE(saved.ok());
    EXPECT_EQ(saved.failure().message,
              "File access failure: could not write " + csv + " (the file is locked by another program)");
    EXPECT_GE(waited, cep::kLockBound);
    EXPECT_LT(waited, cep::kLockBound + milliseconds(500));
    EXPECT_EQ(ReadAll(csv), kBefore);
}

// Several programs saving into one file at once, one of them on a file that
// hits its size limit, one whose flush to disk fails now and then (after its
// record was written, so it must cut back while the others wait): every
// confirmed record is there exactly once, no other record and no empty or
// torn line, and the earlier content stays.
TEST(ExportCsv, ConcurrentSavesKeepEveryConfirmedRecord) {
    constexpr int kPrograms = 5, kSaves = 60;
    TempDir dir;
    const std::string csv = dir.Write("CEP.csv", kBefore);
    int confirmed[2];
    ASSERT_EQ(::pipe(confirmed), 0);
    for (int p = 0; p < kPrograms; ++p) {
        if (::fork() != 0) continue;
        ::close(confirmed[0]);
        if (p == 0) LimitGrowth(20 * kTargetRecord.size() + 7);  // fills up part-way through a record
        for (int s = 0; s < kSaves; ++s) {
            const std::string name = "p" + std::to_string(p) + "-" + std::to_string(s) + ".grp";
            if (p == 1 && s % 3 == 0) gFailSync = EIO;
            if (cep::ExportCsv(dir.path().string(), Calculation(name, 100, 1.25, 2.5))) {
                (void)!::write(confirmed[1], (name + "\n").data(), name.size() + 1);
            }
        }
        ::_exit(0);
    }
    ::close(confirmed[1]);
    std::istringstream confirmedNames(ReadToEnd(confirmed[0]));
    while (::wait(nullptr) > 0) {}
    std::map<std::string, int> expected;
    for (std::string name; std::getline(confirmedNames, name);) ++expected[name];

    const std::string after = ReadAll(csv);
    ASSERT_EQ(after.substr(0, kBefore.size()), kBefore);
    ASSERT_TRUE(after.ends_with("\r\n"));
    std::map<std::string, int> present;
    const std::regex record("\"(p\\d-\\d+\\.grp)\",100,1.25,2.5,3.75,2.5");
    for (std::size_t at = kBefore.size(), end; at < after.size(); at = end + 2) {
        end = after.find("\r\n", at);
        std::smatch match;
        const std::string line = after.substr(at, end - at);
        ASSERT_TRUE(std::regex_match(line, match, record)) << "line " << testing::PrintToString(line);
        ++present[match[1]];
    }
    EXPECT_EQ(present, expected);
    // Both faults struck: the limited program's later saves and every third flush failed.
    EXPECT_GE(expected.size(), static_cast<std::size_t>((kPrograms - 2) * kSaves));
    EXPECT_LT(expected.size(), static_cast<std::size_t>(kPrograms * kSaves - kSaves / 3));
}

}  // namespace
