#include "output.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

#include "failure.h"

namespace cli {

std::string EscapeControls(std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(text.size());
    const auto escape = [&](unsigned char c) {
        out += "\\x";
        out += kHex[c >> 4];
        out += kHex[c & 0xf];
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c == 0x7f) {
            escape(c);
        } else if (c == 0xc2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                   static_cast<unsigned char>(text[i + 1]) <= 0x9f) {
            escape(c);
            escape(static_cast<unsigned char>(text[++i]));
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
