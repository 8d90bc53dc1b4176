// SPDX-License-Identifier: MIT
// The few services of the operating system that differ between Windows and
// the POSIX systems, in one place: files opened by UTF-8 name and in binary
// mode, the lock on CEP.csv, replacing a file whole, English error texts,
// the command line and the console. Everything above this layer is the same
// code on every platform. Errors are errno numbers (Windows errors are
// mapped to the nearest one) or one of the layer's own below.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace cep::os {

#ifdef _WIN32
using NativeFile = void*;  // a HANDLE
inline constexpr char kSeparator = '\\';
#else
using NativeFile = int;  // a descriptor
inline constexpr char kSeparator = '/';
#endif

// Errors that errno has no number for.
inline constexpr int kNotRegularFile = 100001;    // a device, pipe or socket
inline constexpr int kSharingViolation = 100002;  // another program has the file open and denies writing
inline constexpr int kIsFolder = 100003;          // a folder where a file was meant

// The system's text for an error, in English whatever the user's language:
// every other word of a failure is fixed English.
std::string ErrorText(int error);
// The half's text for an errno number.
std::string SystemText(int error);

// True for the characters that separate folders in a path: '/' everywhere,
// and '\' too on Windows.
bool IsSeparator(char c);
// The path without its folders.
std::string BareName(std::string_view path);
// The folder of `path`, its last separator included; "" for a bare name.
std::string FolderOf(std::string_view path);
// `folder` and `name` joined by exactly one separator.
std::string Join(std::string_view folder, std::string_view name);

// An open file, closed with the object.
class File {
public:
    File() = default;
    explicit File(NativeFile native) : native_(native) {}
    ~File();
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    NativeFile native() const { return native_; }
    // Closes now; 0 or the error the system reported.
    int Close();

private:
    // Each half: whether a file is open, and closing it without a word.
    static bool Valid(NativeFile native);
    static void Release(NativeFile native);

    NativeFile native_ = kNone;
#ifdef _WIN32
    static inline const NativeFile kNone = reinterpret_cast<NativeFile>(-1);
#else
    static constexpr NativeFile kNone = -1;
#endif
};

// Opens a regular file for reading. A pipe or device is refused without
// waiting on it (kNotRegularFile), a folder with kIsFolder; a missing file
// or folder on the way gives ENOENT.
int OpenForReading(const std::string& path, File& file);
// The half's own open for reading, before the kind of file is looked at.
int OpenReadOnly(const std::string& path, File& file);
// Reads up to `size` bytes: how many, 0 at the end, -1 with `error` set.
long long ReadSome(File& file, char* buffer, std::size_t size, int& error);

enum class PathKind { Missing, Regular, Folder, Other };
// What is at `path`, links followed.
PathKind KindOf(const std::string& path);

// Opens `path` for appending, creating it if need be; read access too where
// it is granted (`readable`), so that the last byte can be looked at.
int OpenForAppend(const std::string& path, File& file, bool& readable);
// The kind of what the open file is.
PathKind KindOf(const File& file, int& error);
int SizeOf(const File& file, std::int64_t& size);
int ReadByteAt(const File& file, std::int64_t offset, char& byte);
// Appends `bytes` in one write at the end of the file. `written` tells how
// many landed and `end` the offset after them, for a cut back.
int Append(const File& file, std::string_view bytes, std::int64_t& written, std::int64_t& end);
// Flushes the file's data to the disk.
int Sync(const File& file);
// Reports the errors a close of the file would report, keeping it open.
int CheckClose(const File& file);
// Cuts the file back to `size` bytes, but only while it is `end` bytes long.
void TruncateIfSize(const File& file, std::int64_t end, std::int64_t size);

// How long a lock on a file is waited for, and the answer.
enum class LockResult {
    Locked,       // ours until unlocked or the file is closed
    Busy,         // another program kept it locked for the whole bound
    Unsupported,  // the file system has no such locks: go on without
    Failed,       // any other error, in `error`
};
// An exclusive lock on the whole of an open file, the kind another program
// saving into it takes too. It belongs to the open file, not the process,
// so it also orders two windows of one program.
LockResult LockFile(NativeFile file, std::chrono::milliseconds bound, int& error);
// The half's one attempt at that lock, without waiting: Busy while another holds it.
LockResult TryLock(NativeFile file, int& error);
void UnlockFile(NativeFile file);

// Writes `bytes` to a new file in the folder of `path`, then puts it in
// place of `path` in one step, replacing what was there, so that the name
// never holds half a file. The new file gets the permissions any new file
// gets. Returns 0 or the error; on an error nothing is left behind.
int ReplaceWhole(const std::string& path, std::string_view bytes);
// Writes `bytes` into a new file at `path`, which must not exist yet: never
// over a file, even one made in the meantime (EEXIST). On an error after the
// file was made it is removed again, so that no half file is left.
int CreateNew(const std::string& path, std::string_view bytes);
// Creates the folder and the folders on the way to it.
int CreateFolders(const std::string& path);

// The program's arguments after the program name, as UTF-8. On Windows,
// where the shell leaves wildcards to the program, an argument with * or ?
// in its last part is replaced by the names it matches (in any letter case,
// sorted), as a Unix shell would; one that matches nothing stays as it is.
std::vector<std::string> Arguments(int argc, char** argv);
// Makes stdout and stderr carry bytes unchanged (no line-end translation,
// UTF-8 on a console), and a file size limit fail a write instead of ending
// the program.
void PrepareStandardStreams();
bool IsTerminal(std::FILE* stream);
// The stream's file when it is a regular file (for locking); `found` false otherwise.
NativeFile RegularFileOf(std::FILE* stream, bool& found);

}  // namespace cep::os
