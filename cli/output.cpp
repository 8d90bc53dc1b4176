// SPDX-License-Identifier: MIT
#include "output.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "failure.h"

namespace cli {

std::string HexEscaped(std::string_view bytes) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    for (const char byte : bytes) {
        const auto c = static_cast<unsigned char>(byte);
        out += "\\x";
        out += kHex[c >> 4];
        out += kHex[c & 0xf];
    }
    return out;
}

std::string EscapeControls(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        const bool c1 = c == 0xc2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                        static_cast<unsigned char>(text[i + 1]) <= 0x9f;
        if (c < 0x20 || c == 0x7f || c1) {
            const std::size_t bytes = c1 ? 2 : 1;
            out += HexEscaped(text.substr(i, bytes));
            i += bytes - 1;
        } else {
            out += text[i];
        }
    }
    return out;
}

Output::Output(std::FILE* stream) : stream_(stream), terminal_(::isatty(::fileno(stream)) == 1) {}

int Output::RegularFileDescriptor() const {
    struct stat info {};
    const int fd = ::fileno(stream_);
    return ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) ? fd : -1;
}

bool Output::Write(std::string_view bytes) {
    if (error_ != 0) return false;
    errno = 0;
    if (std::fwrite(bytes.data(), 1, bytes.size(), stream_) != bytes.size()) error_ = errno != 0 ? errno : EIO;
    return error_ == 0;
}

bool Output::Flush() {
    if (error_ != 0) return false;
    errno = 0;
    if (std::fflush(stream_) != 0) error_ = errno != 0 ? errno : EIO;
    return error_ == 0;
}

bool Output::Close() {
    const bool flushed = Flush();
    errno = 0;
    const int closed = std::fclose(stream_);
    if (flushed && closed != 0) error_ = errno != 0 ? errno : EIO;
    return error_ == 0;
}

std::string BareName(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void FileFailure(Output& err, std::string_view file, std::string_view message) {
    err.Write("cep-report: " + err.Shown(file) + ": " + err.Shown(message) + "\n");
    err.Flush();
}

int ReplaceFile(const std::string& path, std::string_view bytes) {
    const auto slash = path.find_last_of('/');
    std::string temporary = (slash == std::string::npos ? "" : path.substr(0, slash + 1)) + ".cep-report-XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) return errno;
    int error = 0;
    for (std::size_t done = 0; done < bytes.size() && error == 0;) {
        const ssize_t put = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (put > 0) {
            done += static_cast<std::size_t>(put);
        } else if (put == 0 || errno != EINTR) {
            error = put == 0 ? EIO : errno;
        }
    }
    // mkostemp makes the file private; the picture gets what any new file gets.
    static const mode_t mask = [] {
        const mode_t m = ::umask(0);
        ::umask(m);
        return m;
    }();
    if (error == 0 && ::fchmod(fd, 0666 & ~mask) != 0) error = errno;
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error == 0 && std::rename(temporary.c_str(), path.c_str()) != 0) error = errno;
    if (error != 0) ::unlink(temporary.c_str());
    return error;
}

int WriteError(Output& err, int error) {
    err.Write("cep-report: write error: " + cep::SystemErrorText(error) + "\n");
    err.Flush();
    return 1;
}

int Finish(int status, Output& out, Output& err) {
    if (!out.Close()) status = WriteError(err, out.error());
    // Nowhere is left to report a failure of stderr itself.
    err.Close();
    return status;
}

}  // namespace cli
