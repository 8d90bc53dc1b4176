// SPDX-License-Identifier: MIT
// The POSIX half of the system layer (Linux).
#include "os/os.h"

#include <fcntl.h>
#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace cep::os {

std::string SystemText(int error) {
    // Made once and kept: a C locale object costs an allocation.
    static const locale_t english = ::newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    if (english == static_cast<locale_t>(nullptr)) return "error " + std::to_string(error);
    return ::strerror_l(error, english);
}

bool IsSeparator(char c) { return c == '/'; }

bool File::Valid(NativeFile native) { return native >= 0; }
void File::Release(NativeFile native) { ::close(native); }
int File::Close() {
    const int rc = ::close(std::exchange(native_, kNone));
    return rc == 0 ? 0 : errno;
}

namespace {

PathKind KindOfMode(mode_t mode) {
    return S_ISREG(mode) ? PathKind::Regular : S_ISDIR(mode) ? PathKind::Folder : PathKind::Other;
}

}  // namespace

int OpenReadOnly(const std::string& path, File& file) {
    // Non-blocking, so that a FIFO given by mistake cannot hang the open.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return errno == ENOTDIR ? ENOENT : errno;
    file = File(fd);
    return 0;
}

long long ReadSome(File& file, char* buffer, std::size_t size, int& error) {
    for (;;) {
        const ssize_t got = ::read(file.native(), buffer, size);
        if (got >= 0) return got;
        if (errno == EINTR) continue;
        error = errno;
        return -1;
    }
}

PathKind KindOf(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return PathKind::Missing;
    return KindOfMode(info.st_mode);
}

PathKind KindOf(const File& file, int& error) {
    struct stat info {};
    if (::fstat(file.native(), &info) != 0) {
        error = errno;
        return PathKind::Missing;
    }
    return KindOfMode(info.st_mode);
}

int OpenForAppend(const std::string& path, File& file, bool& readable) {
    // Non-blocking, so that a pipe put there meanwhile cannot hang the program.
    const int flags = O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK;
    readable = true;
    int fd = ::open(path.c_str(), O_RDWR | flags, 0644);
    if (fd < 0 && errno == EACCES) {
        readable = false;
        fd = ::open(path.c_str(), O_WRONLY | flags, 0644);
    }
    if (fd < 0) return errno == ENXIO ? kNotRegularFile : errno;
    file = File(fd);
    return 0;
}

int SizeOf(const File& file, std::int64_t& size) {
    struct stat info {};
    if (::fstat(file.native(), &info) != 0) return errno;
    size = info.st_size;
    return 0;
}

int ReadByteAt(const File& file, std::int64_t offset, char& byte) {
    const ssize_t got = ::pread(file.native(), &byte, 1, offset);
    return got == 1 ? 0 : got == 0 ? EIO : errno;
}

int Append(const File& file, std::string_view bytes, std::int64_t& written, std::int64_t& end) {
    ssize_t put = -1;
    do { put = ::write(file.native(), bytes.data(), bytes.size()); } while (put < 0 && errno == EINTR);
    if (put < 0) {
        written = 0;
        return errno;
    }
    written = put;
    end = ::lseek(file.native(), 0, SEEK_CUR);  // an append leaves the offset after its bytes
    return static_cast<std::size_t>(put) == bytes.size() ? 0 : ENOSPC;
}

int Sync(const File& file) {
    // EINVAL: a file that cannot be synced (a special file system) has nothing to lose.
    return ::fdatasync(file.native()) == 0 || errno == EINVAL ? 0 : errno;
}

int CheckClose(const File& file) {
    // Closing a second descriptor reports late write errors the way closing
    // the file would, while the first keeps the lock for a cut back.
    const int copy = ::dup(file.native());
    if (copy < 0) return errno;
    return ::close(copy) == 0 ? 0 : errno;
}

void TruncateIfSize(const File& file, std::int64_t end, std::int64_t size) {
    struct stat now {};
    if (::fstat(file.native(), &now) == 0 && now.st_size == end) (void)::ftruncate(file.native(), size);
}

LockResult TryLock(NativeFile file, int& error) {
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;  // from 0 to the end, however far it grows
    for (;;) {
        if (::fcntl(file, F_OFD_SETLK, &lock) == 0) return LockResult::Locked;
        const int e = errno;
        if (e == EINTR) continue;
        if (e == EINVAL || e == ENOLCK || e == EOPNOTSUPP || e == ENOSYS) return LockResult::Unsupported;
        if (e == EAGAIN || e == EACCES) return LockResult::Busy;
        error = e;
        return LockResult::Failed;
    }
}

void UnlockFile(NativeFile file) {
    struct flock lock {};
    lock.l_type = F_UNLCK;
    lock.l_whence = SEEK_SET;
    (void)::fcntl(file, F_OFD_SETLK, &lock);
}

namespace {

// Writes all of `bytes`, as often as the system takes part of them: 0, or the error.
int WriteAll(int fd, std::string_view bytes) {
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t put = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (put > 0) {
            done += static_cast<std::size_t>(put);
        } else if (put == 0 || errno != EINTR) {
            return put == 0 ? EIO : errno;
        }
    }
    return 0;
}

}  // namespace

int ReplaceWhole(const std::string& path, std::string_view bytes) {
    std::string temporary = FolderOf(path) + ".cep-report-XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) return errno;
    int error = WriteAll(fd, bytes);
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

int CreateNew(const std::string& path, std::string_view bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NONBLOCK, 0666);
    if (fd < 0) return errno == EISDIR ? kIsFolder : errno;
    int error = WriteAll(fd, bytes);
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error != 0) ::unlink(path.c_str());
    return error;
}

int CreateFolders(const std::string& path) {
    std::string sofar;
    for (std::size_t at = 0; at <= path.size(); ++at) {
        if (at < path.size() && !IsSeparator(path[at])) continue;
        sofar = path.substr(0, at);
        if (sofar.empty() || IsSeparator(sofar.back())) continue;
        if (::mkdir(sofar.c_str(), 0777) != 0 && errno != EEXIST) return errno;
    }
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return errno;
    return S_ISDIR(info.st_mode) ? 0 : ENOTDIR;
}

std::vector<std::string> Arguments(int argc, char** argv) { return {argv + std::min(argc, 1), argv + argc}; }

void PrepareStandardStreams() { std::signal(SIGXFSZ, SIG_IGN); }

bool IsTerminal(std::FILE* stream) { return ::isatty(::fileno(stream)) == 1; }

NativeFile RegularFileOf(std::FILE* stream, bool& found) {
    struct stat info {};
    const int fd = ::fileno(stream);
    found = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    return fd;
}

}  // namespace cep::os
