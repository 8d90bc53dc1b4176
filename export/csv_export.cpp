#include "csv_export.h"

#include "number_text.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
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

namespace {

Failure WriteFailure(const std::string& path, int error) {
    return MakeFailure(FailureKind::FileAccessFailure,
                       "could not write " + path + " (" + std::strerror(error) + ")");
}

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

}  // namespace

Outcome<std::string> ExportCsv(std::string_view programFolder, const CompletedCalculation& calculation) {
    const std::string path = CsvPath(programFolder);
    // Read access lets us see whether the last record ends its line.
    // Non-blocking, so that a FIFO in the way cannot hang the program.
    const int fd = ::open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0644);
    if (fd < 0) return WriteFailure(path, errno);
    Descriptor file(fd);

    struct stat info {};
    if (::fstat(fd, &info) != 0) return WriteFailure(path, errno);
    const bool regular = S_ISREG(info.st_mode);
    const off_t sizeBefore = regular ? info.st_size : 0;

    std::string data;
    if (regular && sizeBefore > 0) {
        char last = '\n';
        if (::pread(fd, &last, 1, sizeBefore - 1) != 1) return WriteFailure(path, errno);
        if (last == '\r') {
            data = "\n";
        } else if (last != '\n') {
            data = "\r\n";  // the new record starts on a line of its own
        }
    }
    data += FormatCsvRecord(MakeCsvRecord(calculation));

    // One write, so the record lands whole or not at all; a short write is
    // cut back so that no partial record stays behind.
    ssize_t written = -1;
    do {
        written = ::write(fd, data.data(), data.size());
    } while (written < 0 && errno == EINTR);
    int error = written < 0 ? errno : 0;
    if (written >= 0 && static_cast<std::size_t>(written) != data.size()) error = ENOSPC;
    if (error == 0 && ::fdatasync(fd) != 0 && errno != EINVAL) error = errno;
    if (error != 0) {
        if (regular && written > 0) {
            (void)::ftruncate(fd, sizeBefore);
        }
        return WriteFailure(path, error);
    }
    if (file.Close() != 0) return WriteFailure(path, errno);
    return SaveConfirmation(path);
}

}  // namespace cep
