// SPDX-License-Identifier: MIT
#include "core/group_file.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <string>
#include <utility>

#include "core/number_text.h"
#include "os/os.h"

namespace cep {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Buffered reading straight from the file; it is read once, from the start,
// and closed when the reader goes out of scope.
class FileReader {
public:
    // `copy`, when given, receives every byte read, up to `copyLimit`.
    FileReader(os::File file, std::string* copy, std::size_t copyLimit)
        : file_(std::move(file)), copy_(copy), copyLimit_(copyLimit) {}
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    // -1 at the end of the file; sets the error number on a failed read.
    int Peek() {
        if (pos_ == len_ && !Refill()) return -1;
        return static_cast<unsigned char>(buffer_[pos_]);
    }
    void Advance() { ++pos_; }
    // The buffered bytes from the current position on.
    const char* Cursor() const { return buffer_ + pos_; }
    const char* BufferEnd() const { return buffer_ + len_; }
    void AdvanceTo(const char* p) { pos_ = static_cast<std::size_t>(p - buffer_); }
    bool AtEnd() { return Peek() < 0; }
    int error() const { return error_; }

    // Reads on to the end of the file (or the copy's limit) for the copy.
    // Returns false when the copy was cut short.
    bool CopyRest() {
        pos_ = len_;
        // A regular file (the only kind opened) reads short only at its end,
        // which spares a read per file over thousands of small files.
        while (!short_ && copy_->size() < copyLimit_ && Refill()) pos_ = len_;
        return copy_->size() < copyLimit_;
    }

    // Consumes a line end at the current position: CR, CR LF or a lone LF.
    void SkipLineEnd() {
        const int c = Peek();
        if (c == '\r') {
            Advance();
            if (Peek() == '\n') Advance();
        } else if (c == '\n') {
            Advance();
        }
    }

    // Consumes one whole line, its end included, handing each character of
    // the line to `sink`.
    template <class Sink>
    void ReadLine(Sink&& sink) {
        for (;;) {
            if (pos_ == len_ && !Refill()) return;
            const char* begin = buffer_ + pos_;
            const char* end = buffer_ + len_;
            const char* p = begin;
            while (p != end && *p != '\r' && *p != '\n') sink(*p++);
            pos_ += static_cast<std::size_t>(p - begin);
            if (p != end) {
                SkipLineEnd();
                return;
            }
        }
    }

private:
    bool Refill() {
        if (error_ != 0) return false;
        const long long got = os::ReadSome(file_, buffer_, sizeof buffer_, error_);
        if (got <= 0) return false;
        pos_ = 0;
        len_ = static_cast<std::size_t>(got);
        short_ = len_ < sizeof buffer_;
        if (copy_ != nullptr && copy_->size() < copyLimit_) {
            copy_->append(buffer_, std::min(len_, copyLimit_ - copy_->size()));
        }
        return true;
    }

    os::File file_;
    std::string* copy_;
    std::size_t copyLimit_;
    int error_ = 0;
    bool short_ = false;  // the last read gave less than was asked for
    std::size_t pos_ = 0;
    std::size_t len_ = 0;
    char buffer_[64 * 1024];
};

Failure ReadFailure(const std::string& path, int error) {
    return MakeFailure(FailureKind::FileAccessFailure, "could not read " + path + " (" + SystemErrorText(error) + ").");
}

enum class FieldStatus { Ok, End, Overflow, ReadError };

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool EndsField(char c) { return c == ',' || c == '\r' || c == '\n' || IsBlank(c); }

// The usual field, such as "-0.125": at most 15 digits, no exponent, and its
// end in the buffer. The digits form an integer a double holds, so one
// division gives the correctly rounded value. Anything else is left to the
// general scanner.
bool ReadPlainNumber(FileReader& in, double& value) {
    const char* p = in.Cursor();
    const char* end = in.BufferEnd();
    bool negative = false;
    if (p != end && (*p == '-' || *p == '+')) negative = (*p++ == '-');
    std::uint64_t mantissa = 0;
    int digits = 0;
    int fraction = 0;
    bool point = false;
    for (; p != end; ++p) {
        if (IsDigit(*p)) {
            mantissa = mantissa * 10 + static_cast<std::uint64_t>(*p - '0');
            ++digits;
            fraction += point ? 1 : 0;
        } else if (*p == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (digits == 0 || digits > 15 || p == end || !EndsField(*p)) return false;
    const double v = static_cast<double>(mantissa) / kExactPowersOfTen[fraction];
    value = negative ? -v : v;
    in.AdvanceTo(p);
    return true;
}

// One numeric field: blanks and line ends before it are skipped, and it ends
// at a comma, a blank or a line end. A comma after it is consumed, so that
// two commas in a row hold an empty field, read as 0.
FieldStatus ReadField(FileReader& in, double& value) {
    int c = in.Peek();
    while (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
        in.Advance();
        c = in.Peek();
    }
    if (c < 0) return in.error() != 0 ? FieldStatus::ReadError : FieldStatus::End;

    FieldStatus status = FieldStatus::Ok;
    if (!ReadPlainNumber(in, value)) {
        NumberScanner number;
        for (c = in.Peek(); c >= 0 && !EndsField(static_cast<char>(c)); c = in.Peek()) {
            number.Feed(static_cast<char>(c));
            in.Advance();
        }
        if (number.Value(value) == NumberScanner::Status::Overflow) status = FieldStatus::Overflow;
    }
    for (c = in.Peek(); c == ' ' || c == '\t'; c = in.Peek()) in.Advance();
    if (c == ',') in.Advance();
    if (c < 0 && in.error() != 0) return FieldStatus::ReadError;
    return status;
}

std::string ShotsText(long n) { return std::to_string(n) + (n == 1 ? " shot" : " shots"); }

}  // namespace

Outcome<double> LeadingNumber(std::string_view text) {
    NumberScanner number;
    for (const char c : text) {
        if (c == ' ' || c == '\t' || c == '\n') continue;
        if (!number.Feed(c)) break;
    }
    double value = 0.0;
    if (number.Value(value) == NumberScanner::Status::Overflow) {
        return MakeFailure(FailureKind::Overflow, "the number is too large.");
    }
    return value;
}

Outcome<GroupFileRead> ReadGroupFileDetailed(const std::string& path, ShotTable& shots, std::string* wholeText) {
    os::File file;
    switch (const int error = os::OpenForReading(path, file)) {
    case 0: break;
    case ENOENT: return MakeFailure(FailureKind::FileNotFound, "there is no file at " + path + ".");
    case os::kIsFolder: return MakeFailure(FailureKind::FileAccessFailure, path + " is a folder, not a group file.");
    case os::kNotRegularFile:
        return MakeFailure(FailureKind::FileAccessFailure, path + " is not a regular file (a device, pipe or socket).");
    default:
        return MakeFailure(FailureKind::FileAccessFailure,
                           "could not open " + path + " (" + SystemErrorText(error) + ").");
    }
    if (wholeText != nullptr) wholeText->clear();
    FileReader in(std::move(file), wholeText, kWholeTextLimit);

    GroupFileRead result;
    NumberScanner countNumber;
    int lineCounter = 0;
    while (!in.AtEnd()) {
        ++lineCounter;
        if (lineCounter != 3) {
            in.ReadLine([](char) {});  // lines 1 and 2 are skipped, not kept
            continue;
        }
        bool taking = true;
        in.ReadLine([&](char c) {
            if (taking && c != ' ' && c != '\t') taking = countNumber.Feed(c);
        });
        result.hadCountLine = true;
        break;
    }
    if (in.error() != 0) return ReadFailure(path, in.error());
    if (!result.hadCountLine) return result;

    double declared = 0.0;
    if (countNumber.Value(declared) == NumberScanner::Status::Overflow) {
        return MakeFailure(FailureKind::Overflow,
                           "the shot count on line 3 is far too large; a group holds at most 32766 shots.");
    }
    const double rounded = std::nearbyint(declared);  // halves to even
    if (rounded < -32768.0 || rounded > 32767.0) {
        return MakeFailure(FailureKind::Overflow,
                           "the shot count on line 3 is outside -32768 to 32767; a group holds at most 32766 shots.");
    }
    const auto n = static_cast<ShotCount>(rounded);
    if (n == 32767) {
        return MakeFailure(FailureKind::Overflow, "the file declares 32767 shots; a group holds at most 32766.");
    }
    if (n <= -2) {
        return MakeFailure(FailureKind::SubscriptOutOfRange,
                           "the shot count on line 3 is " + std::to_string(n) + "; it cannot be negative.");
    }
    // The table is re-created, zero-filled, before the shots are read.
    shots.assign(static_cast<std::size_t>(n + 2), ShotPoint{});
    if (n == -1) {
        return MakeFailure(FailureKind::SubscriptOutOfRange, "the shot count on line 3 is -1; it cannot be negative.");
    }
    for (int j = 0; j < n; ++j) {
        for (double* field : {&shots[j].x, &shots[j].y}) {
            switch (ReadField(in, *field)) {
            case FieldStatus::Ok: break;
            case FieldStatus::End: {
                const bool atX = field == &shots[j].x;
                std::string reason = "the file declares " + ShotsText(n);
                if (j == 0 && atX) {
                    reason += " but holds no shot data after its count line.";
                } else {
                    reason += " but its shot data ends after " + ShotsText(j) +
                              (atX ? "." : " and the x of shot " + std::to_string(j + 1) + ".");
                }
                return MakeFailure(FailureKind::InputPastEndOfFile, reason);
            }
            case FieldStatus::Overflow:
                return MakeFailure(FailureKind::Overflow,
                                   "a coordinate of shot " + std::to_string(j + 1) + " is too large a number.");
            case FieldStatus::ReadError: return ReadFailure(path, in.error());
            }
        }
    }
    shots[static_cast<std::size_t>(n)] = shots[0];
    result.count = n;
    if (wholeText != nullptr) {
        result.wholeTextCut = !in.CopyRest();
        if (in.error() != 0) return ReadFailure(path, in.error());
    }
    return result;
}

Outcome<ShotCount> ReadGroupFile(const std::string& path, ShotTable& shots) {
    auto read = ReadGroupFileDetailed(path, shots);
    if (!read) return read.failure();
    return read.value().count;
}

}  // namespace cep
