// SPDX-License-Identifier: MIT
#include "csv_export.h"

#include "number_text.h"

#include <cerrno>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace cep {

CsvRecord MakeCsvRecord(const CompletedCalculation& calculation) {
    CsvRecord record;
    record.GroupFileName = calculation.GroupFileName;
    record.Yards = calculation.Yards;
    record.Diameter50 = calculation.Cep;
    record.Diameter93 = calculation.Cep + calculation.Cep;
    record.Diameter99 = calculation.Cep * 3.0;
    record.Moa = calculation.Moa;
    return record;
}

std::string FormatCsvNumber(double value) {
    if (value == 0.0) return "0";  // also for -0
    const Digits15 d = SignificantDigits(std::fabs(value));
    std::string digits(d.digits, sizeof d.digits);
    const int exponent = d.exponent;
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

    std::string out = value < 0.0 ? "-" : "";
    if (exponent < -7 || exponent > 20) {
        // Too far from 1 for plain decimals: spreadsheets read this form.
        out += digits.front();
        if (digits.size() > 1) out += "." + digits.substr(1);
        out += exponent < 0 ? "E-" : "E+";
        out += std::to_string(std::abs(exponent));
        return out;
    }
    if (exponent < 0) {
        out += "0.";
        out.append(static_cast<std::size_t>(-exponent - 1), '0');
        out += digits;
        return out;
    }
    const auto intDigits = static_cast<std::size_t>(exponent) + 1;
    if (digits.size() <= intDigits) {
        out += digits;
        out.append(intDigits - digits.size(), '0');
    } else {
        out += digits.substr(0, intDigits) + "." + digits.substr(intDigits);
    }
    return out;
}

std::string FormatCsvRecord(const CsvRecord& record) {
    std::string line = "\"";
    for (const char c : record.GroupFileName) {
        if (c == '"') line += '"';  // doubled, as CSV readers expect
        line += c;
    }
    line += '"';
    for (const double v : {record.Yards, record.Diameter50, record.Diameter93, record.Diameter99, record.Moa}) {
        line += ',';
        line += FormatCsvNumber(v);
    }
    line += "\r\n";
    return line;
}

std::string CsvPath(std::string_view programFolder) {
    std::string path(programFolder);
    if (path.empty() || path.back() != '/') path += '/';
    path += "CEP.csv";
    return path;
}

std::string SaveConfirmation(std::string_view path) {
    std::string text = "CEP and MOA data have been saved in \r\n";
    text += path;
    text += "\r\nYou may view this file in MS Excel or similar spreadsheet software.";
    return text;
}

LockResult LockFile(int fd, std::chrono::milliseconds bound, int& error) {
    using Clock = std::chrono::steady_clock;
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;  // from 0 to the end, however far it grows
    const auto deadline = Clock::now() + bound;
    std::chrono::milliseconds pause{1};
    for (;;) {
        if (::fcntl(fd, F_OFD_SETLK, &lock) == 0) return LockResult::Locked;
        const int e = errno;
        if (e == EINTR) continue;
        if (e == EINVAL || e == ENOLCK || e == EOPNOTSUPP || e == ENOSYS) return LockResult::Unsupported;
        if (e != EAGAIN && e != EACCES) {
            error = e;
            return LockResult::Failed;
        }
        // Polled rather than waited for: a blocking wait cannot be bounded.
        const auto now = Clock::now();
        if (now >= deadline) return LockResult::Busy;
        std::this_thread::sleep_for(std::min<Clock::duration>(pause, deadline - now));
        pause = std::min(pause * 2, std::chrono::milliseconds{4});
    }
}

void UnlockFile(int fd) {
    struct flock lock {};
    lock.l_type = F_UNLCK;
    lock.l_whence = SEEK_SET;
    (void)::fcntl(fd, F_OFD_SETLK, &lock);
}

namespace {

Failure WriteFailure(const std::string& path, std::string_view reason) {
    return MakeFailure(FailureKind::FileAccessFailure, "could not write " + path + " (" + std::string(reason) + ")");
}

Failure WriteFailure(const std::string& path, int error) { return WriteFailure(path, SystemErrorText(error)); }

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    // Closes now and reports the system's answer.
    int Close() {
        const int rc = ::close(fd_);
        fd_ = -1;
        return rc;
    }

private:
    int fd_;
};

// Removes the `written` bytes this save appended, but only while they are
// still the file's last bytes: anything after them is another program's.
void CutBack(int fd, ssize_t written) {
    if (written <= 0) return;
    const off_t end = ::lseek(fd, 0, SEEK_CUR);  // an append leaves the offset after its bytes
    struct stat now {};
    if (end >= written && ::fstat(fd, &now) == 0 && now.st_size == end) (void)::ftruncate(fd, end - written);
}

}  // namespace

Outcome<std::string> ExportCsv(std::string_view programFolder, const CompletedCalculation& calculation) {
    const std::string path = CsvPath(programFolder);
    const auto notRegular = [&] { return WriteFailure(path, "it is not a regular file"); };
    // A pipe or a device (say a link to /dev/null) would take the record and
    // keep nothing; it is refused before it is ever opened.
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode)) return notRegular();

    // Read access lets us see whether the last record ends its line; a file
    // we may only append to is still appended to. Non-blocking, so that a
    // pipe put there meanwhile cannot hang the program.
    const int flags = O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK;
    bool readable = true;
    int fd = ::open(path.c_str(), O_RDWR | flags, 0644);
    if (fd < 0 && errno == EACCES) {
        readable = false;
        fd = ::open(path.c_str(), O_WRONLY | flags, 0644);
    }
    if (fd < 0) return errno == ENXIO ? notRegular() : WriteFailure(path, errno);
    Descriptor file(fd);
    if (::fstat(fd, &info) != 0) return WriteFailure(path, errno);
    if (!S_ISREG(info.st_mode)) return notRegular();

    int error = 0;
    switch (LockFile(fd, kLockBound, error)) {
    case LockResult::Locked:
    case LockResult::Unsupported: break;
    case LockResult::Busy: return WriteFailure(path, "the file is locked by another program");
    case LockResult::Failed: return WriteFailure(path, error);
    }
    // Closing a second descriptor reports late write errors the way closing
    // the file would, while this one keeps the lock for a cut back.
    Descriptor probe(::dup(fd));
    if (probe.get() < 0) return WriteFailure(path, errno);

    // The size and last byte as they stand under the lock.
    if (::fstat(fd, &info) != 0) return WriteFailure(path, errno);
    std::string data;
    if (readable && info.st_size > 0) {
        char last = '\n';
        if (::pread(fd, &last, 1, info.st_size - 1) != 1) return WriteFailure(path, errno);
        if (last == '\r') {
            data = "\n";
        } else if (last != '\n') {
            data = "\r\n";  // the new record starts on a line of its own
        }
    }
    data += FormatCsvRecord(MakeCsvRecord(calculation));

    // One write, so the record lands whole or not at all.
    ssize_t written = -1;
    do {
        written = ::write(fd, data.data(), data.size());
    } while (written < 0 && errno == EINTR);
    error = written < 0 ? errno : 0;
    if (written >= 0 && static_cast<std::size_t>(written) != data.size()) error = ENOSPC;
    if (error == 0 && ::fdatasync(fd) != 0 && errno != EINVAL) error = errno;
    if (error == 0 && probe.Close() != 0) error = errno;
    if (error != 0) {
        CutBack(fd, written);
        return WriteFailure(path, error);
    }
    if (file.Close() != 0) return WriteFailure(path, errno);
    return SaveConfirmation(path);
}

}  // namespace cep
