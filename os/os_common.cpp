// SPDX-License-Identifier: MIT
// The parts of the system layer that are the same on every system, built on
// each half's own calls.
#include "os/os.h"

#include <algorithm>
#include <cerrno>
#include <thread>
#include <utility>

namespace cep::os {

namespace {

std::size_t LastSeparator(std::string_view path) {
    for (std::size_t i = path.size(); i > 0; --i) {
        if (IsSeparator(path[i - 1])) return i - 1;
    }
    return std::string_view::npos;
}

}  // namespace

std::string ErrorText(int error) {
    switch (error) {
    case kNotRegularFile: return "it is not a regular file";
    case kSharingViolation: return "the file is open in another program";
    case kIsFolder: return "Is a directory";
    default: return SystemText(error);
    }
}

std::string BareName(std::string_view path) {
    const std::size_t at = LastSeparator(path);
    return std::string(at == std::string_view::npos ? path : path.substr(at + 1));
}

std::string FolderOf(std::string_view path) {
    const std::size_t at = LastSeparator(path);
    return at == std::string_view::npos ? std::string() : std::string(path.substr(0, at + 1));
}

std::string Join(std::string_view folder, std::string_view name) {
    std::string path(folder);
    if (path.empty() || !IsSeparator(path.back())) path += kSeparator;
    path += name;
    return path;
}

File::~File() {
    if (Valid(native_)) Release(native_);
}
File::File(File&& other) noexcept : native_(std::exchange(other.native_, kNone)) {}
File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        if (Valid(native_)) Release(native_);
        native_ = std::exchange(other.native_, kNone);
    }
    return *this;
}

int OpenForReading(const std::string& path, File& file) {
    if (path.find('\0') != std::string::npos) return ENOENT;  // no file name holds one
    if (const int error = OpenReadOnly(path, file); error != 0) return error;
    int error = 0;
    switch (KindOf(file, error)) {
    case PathKind::Regular: return 0;
    case PathKind::Folder: return kIsFolder;
    case PathKind::Missing: return error;
    case PathKind::Other: return kNotRegularFile;
    }
    return 0;
}

LockResult LockFile(NativeFile file, std::chrono::milliseconds bound, int& error) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + bound;
    std::chrono::milliseconds pause{1};
    for (;;) {
        const LockResult tried = TryLock(file, error);
        if (tried != LockResult::Busy) return tried;
        // Polled rather than waited for: a blocking wait cannot be bounded.
        // A short pause, so that a busy writer cannot starve the poll.
        const auto now = Clock::now();
        if (now >= deadline) return LockResult::Busy;
        std::this_thread::sleep_for(std::min<Clock::duration>(pause, deadline - now));
        pause = std::min(pause * 2, std::chrono::milliseconds{4});
    }
}

}  // namespace cep::os
