// SPDX-License-Identifier: MIT
// The Windows half of the system layer: wide-character calls for UTF-8
// names, handles in place of descriptors, LockFileEx for the lock.
#include "os/os.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <cwctype>
#include <utility>

namespace cep::os {

namespace {

std::wstring Wide(std::string_view text) {
    if (text.empty()) return {};
    const int size = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
    return wide;
}

std::string Narrow(std::wstring_view wide) {
    if (wide.empty()) return {};
    const int size =
        ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), text.data(), size, nullptr, nullptr);
    return text;
}

// The errno number nearest to a Windows error, so that failures read alike
// on both platforms.
int FromWindows(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH:
    case ERROR_INVALID_DRIVE: return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT: return EACCES;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return kSharingViolation;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ENOSPC;
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS: return EEXIST;
    case ERROR_DIRECTORY: return ENOTDIR;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY: return ENOMEM;
    case ERROR_TOO_MANY_OPEN_FILES: return EMFILE;
    case ERROR_FILENAME_EXCED_RANGE: return ENAMETOOLONG;
    default: return EIO;
    }
}

int LastError() { return FromWindows(::GetLastError()); }

bool IsFolder(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

HANDLE Handle(NativeFile file) { return static_cast<HANDLE>(file); }

OVERLAPPED At(std::int64_t offset) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(static_cast<std::uint64_t>(offset) & 0xffffffffu);
    at.OffsetHigh = static_cast<DWORD>(static_cast<std::uint64_t>(offset) >> 32);
    return at;
}

}  // namespace

std::string SystemText(int error) {
    // The C runtime's texts are English whatever the user's language.
    return std::strerror(error);
}

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

bool File::Valid(NativeFile native) { return native != kNone && native != nullptr; }
void File::Release(NativeFile native) { ::CloseHandle(Handle(native)); }
int File::Close() { return ::CloseHandle(Handle(std::exchange(native_, kNone))) ? 0 : LastError(); }

int OpenReadOnly(const std::string& path, File& file) {
    const std::wstring wide = Wide(path);
    // Others may go on writing and deleting: the file is only read.
    const HANDLE handle =
        ::CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_ACCESS_DENIED && IsFolder(wide)) return kIsFolder;
        return FromWindows(error);
    }
    file = File(handle);
    return 0;
}

long long ReadSome(File& file, char* buffer, std::size_t size, int& error) {
    DWORD got = 0;
    const auto want = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
    if (!::ReadFile(Handle(file.native()), buffer, want, &got, nullptr)) {
        error = LastError();
        return -1;
    }
    return got;
}

PathKind KindOf(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesW(Wide(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return PathKind::Missing;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? PathKind::Folder : PathKind::Regular;
}

PathKind KindOf(const File& file, int& error) {
    const DWORD type = ::GetFileType(Handle(file.native()));
    if (type == FILE_TYPE_UNKNOWN && ::GetLastError() != NO_ERROR) {
        error = LastError();
        return PathKind::Missing;
    }
    if (type != FILE_TYPE_DISK) return PathKind::Other;
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(Handle(file.native()), &info)) {
        error = LastError();
        return PathKind::Missing;
    }
    return (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? PathKind::Folder : PathKind::Regular;
}

int OpenForAppend(const std::string& path, File& file, bool& readable) {
    const std::wstring wide = Wide(path);
    // Others may read and write it too: saves are ordered by the lock, and a
    // program that denies writing (a spreadsheet) is reported by name.
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
    readable = true;
    HANDLE handle = ::CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE, share, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE && ::GetLastError() == ERROR_ACCESS_DENIED && !IsFolder(wide)) {
        readable = false;
        handle = ::CreateFileW(wide.c_str(), FILE_APPEND_DATA | SYNCHRONIZE, share, nullptr, OPEN_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        return error == ERROR_ACCESS_DENIED && IsFolder(wide) ? kIsFolder : FromWindows(error);
    }
    file = File(handle);
    return 0;
}

int SizeOf(const File& file, std::int64_t& size) {
    LARGE_INTEGER value{};
    if (!::GetFileSizeEx(Handle(file.native()), &value)) return LastError();
    size = value.QuadPart;
    return 0;
}

int ReadByteAt(const File& file, std::int64_t offset, char& byte) {
    OVERLAPPED at = At(offset);
    DWORD got = 0;
    if (!::ReadFile(Handle(file.native()), &byte, 1, &got, &at)) return LastError();
    return got == 1 ? 0 : EIO;
}

int Append(const File& file, std::string_view bytes, std::int64_t& written, std::int64_t& end) {
    written = 0;
    std::int64_t size = 0;
    if (const int error = SizeOf(file, size); error != 0) return error;
    // Written at the end as it stands under the lock; the pointer of a
    // handle that may only append is moved by the system itself.
    LARGE_INTEGER zero{};
    (void)::SetFilePointerEx(Handle(file.native()), zero, nullptr, FILE_END);
    DWORD put = 0;
    const BOOL ok = ::WriteFile(Handle(file.native()), bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr);
    written = put;
    end = size + put;
    if (!ok) return LastError();
    return put == bytes.size() ? 0 : ENOSPC;
}

int Sync(const File& file) {
    if (::FlushFileBuffers(Handle(file.native()))) return 0;
    // A handle that may only append cannot always be flushed; the data is
    // with the system all the same.
    return ::GetLastError() == ERROR_ACCESS_DENIED ? 0 : LastError();
}

int CheckClose(const File&) {
    // Closing a handle reports nothing that the flush did not already.
    return 0;
}

void TruncateIfSize(const File& file, std::int64_t end, std::int64_t size) {
    std::int64_t now = 0;
    if (SizeOf(file, now) != 0 || now != end) return;
    LARGE_INTEGER to{};
    to.QuadPart = size;
    if (::SetFilePointerEx(Handle(file.native()), to, nullptr, FILE_BEGIN)) (void)::SetEndOfFile(Handle(file.native()));
}

LockResult TryLock(NativeFile file, int& error) {
    OVERLAPPED whole = At(0);  // from 0 to the end, however far it grows
    if (::LockFileEx(Handle(file), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD, MAXDWORD,
                     &whole)) {
        return LockResult::Locked;
    }
    const DWORD e = ::GetLastError();
    if (e == ERROR_NOT_SUPPORTED || e == ERROR_INVALID_FUNCTION || e == ERROR_INVALID_HANDLE)
        return LockResult::Unsupported;
    if (e == ERROR_LOCK_VIOLATION || e == ERROR_IO_PENDING) return LockResult::Busy;
    error = FromWindows(e);
    return LockResult::Failed;
}

void UnlockFile(NativeFile file) {
    OVERLAPPED whole = At(0);
    (void)::UnlockFileEx(Handle(file), 0, MAXDWORD, MAXDWORD, &whole);
}

namespace {

// Writes all of `bytes`, in pieces WriteFile can take: 0, or the error.
int WriteAll(HANDLE handle, std::string_view bytes) {
    for (std::size_t done = 0; done < bytes.size();) {
        DWORD put = 0;
        const auto want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        if (!::WriteFile(handle, bytes.data() + done, want, &put, nullptr)) return LastError();
        if (put == 0) return EIO;
        done += put;
    }
    return 0;
}

}  // namespace

int ReplaceWhole(const std::string& path, std::string_view bytes) {
    static std::atomic<unsigned> counter{0};
    const std::wstring target = Wide(path);
    std::wstring temporary;
    HANDLE handle = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 100 && handle == INVALID_HANDLE_VALUE; ++attempt) {
        temporary = Wide(FolderOf(path) + ".cep-report-" + std::to_string(::GetCurrentProcessId()) + "-" +
                         std::to_string(counter++));
        handle =
            ::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE && ::GetLastError() != ERROR_FILE_EXISTS) return LastError();
    }
    if (handle == INVALID_HANDLE_VALUE) return EEXIST;
    int error = WriteAll(handle, bytes);
    if (!::CloseHandle(handle) && error == 0) error = LastError();
    // A plain rename does not replace a file on Windows; this does, in one step.
    if (error == 0 &&
        !::MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        error = ::GetLastError() == ERROR_ACCESS_DENIED && IsFolder(target) ? kIsFolder : LastError();
    }
    if (error != 0) ::DeleteFileW(temporary.c_str());
    return error;
}

int CreateNew(const std::string& path, std::string_view bytes) {
    const std::wstring target = Wide(path);
    HANDLE handle =
        ::CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD code = ::GetLastError();
        if (code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS) return EEXIST;
        return code == ERROR_ACCESS_DENIED && IsFolder(target) ? kIsFolder : LastError();
    }
    int error = WriteAll(handle, bytes);
    if (!::CloseHandle(handle) && error == 0) error = LastError();
    if (error != 0) ::DeleteFileW(target.c_str());
    return error;
}

int CreateFolders(const std::string& path) {
    for (std::size_t at = 0; at <= path.size(); ++at) {
        if (at < path.size() && !IsSeparator(path[at])) continue;
        const std::string sofar = path.substr(0, at);
        // Nothing to make for the root, a drive ("C:") or a server share's start.
        if (sofar.empty() || IsSeparator(sofar.back()) || sofar.back() == ':') continue;
        const std::wstring wide = Wide(sofar);
        const DWORD attributes = ::GetFileAttributesW(wide.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES) {
            if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return ENOTDIR;  // a file on the way
            continue;
        }
        if (!::CreateDirectoryW(wide.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS) return LastError();
    }
    return 0;
}

namespace {

wchar_t Folded(wchar_t c) { return static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c))); }

// A shell's pattern: * any run, ? any one character, [set] one of a set
// (ranges, ! or ^ to negate); in any letter case, as the file system has it.
bool Matches(std::wstring_view pattern, std::wstring_view name) {
    std::size_t p = 0, n = 0, starP = std::wstring_view::npos, starN = 0;
    while (n < name.size()) {
        bool step = false;
        if (p < pattern.size()) {
            const wchar_t c = pattern[p];
            if (c == L'*') {
                starP = p++;
                starN = n;
                continue;
            }
            if (c == L'?') {
                step = true;
                ++p;
            } else if (c == L'[') {
                std::size_t q = p + 1;
                const bool negate = q < pattern.size() && (pattern[q] == L'!' || pattern[q] == L'^');
                if (negate) ++q;
                bool found = false;
                const std::size_t first = q;
                while (q < pattern.size() && (pattern[q] != L']' || q == first)) {
                    wchar_t low = pattern[q], high = low;
                    if (q + 2 < pattern.size() && pattern[q + 1] == L'-' && pattern[q + 2] != L']') {
                        high = pattern[q + 2];
                        q += 2;
                    }
                    const wchar_t c2 = Folded(name[n]);
                    if ((Folded(low) <= c2 && c2 <= Folded(high)) || (low <= name[n] && name[n] <= high)) found = true;
                    ++q;
                }
                if (q < pattern.size()) {  // a closed set
                    step = found != negate;
                    if (step) p = q + 1;
                } else {  // an unclosed [ stands for itself
                    step = name[n] == L'[';
                    if (step) ++p;
                }
            } else {
                step = Folded(c) == Folded(name[n]);
                if (step) ++p;
            }
        }
        if (step) {
            ++n;
        } else if (starP != std::wstring_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == L'*') ++p;
    return p == pattern.size();
}

// The names in the argument's folder that its last part matches, sorted as
// a listing shows them; empty when there is nothing to expand.
std::vector<std::string> Expanded(const std::wstring& argument) {
    std::size_t cut = argument.find_last_of(L"\\/");
    const std::wstring folder = cut == std::wstring::npos ? std::wstring() : argument.substr(0, cut + 1);
    const std::wstring pattern = cut == std::wstring::npos ? argument : argument.substr(cut + 1);
    if (pattern.find_first_of(L"*?[") == std::wstring::npos || folder.find_first_of(L"*?") != std::wstring::npos) {
        return {};
    }
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found{};
    const HANDLE search = ::FindFirstFileW((folder + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return {};
    do {
        const std::wstring_view name = found.cFileName;
        // Hidden by the dot as a Unix shell hides it, unless asked for.
        if (name == L"." || name == L".." || (name.front() == L'.' && pattern.front() != L'.')) continue;
        if (Matches(pattern, name)) names.emplace_back(name);
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
    std::sort(names.begin(), names.end(), [](const std::wstring& a, const std::wstring& b) {
        const auto fold = [](std::wstring s) {
            for (wchar_t& c : s) c = Folded(c);
            return s;
        };
        const std::wstring fa = fold(a), fb = fold(b);
        return fa != fb ? fa < fb : a < b;
    });
    std::vector<std::string> paths;
    for (const std::wstring& name : names) paths.push_back(Narrow(folder + name));
    return paths;
}

}  // namespace

std::vector<std::string> Arguments(int, char**) {
    // The narrow argv is in the ANSI code page and loses every other
    // character; the wide command line has them all.
    int count = 0;
    LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    if (wide == nullptr) return arguments;
    bool optionsEnded = false;
    for (int i = 1; i < count; ++i) {
        const std::wstring argument = wide[i];
        if (argument == L"--") optionsEnded = true;
        const bool option = !optionsEnded && !argument.empty() && argument.front() == L'-';
        std::vector<std::string> names = option ? std::vector<std::string>() : Expanded(argument);
        if (names.empty()) {
            arguments.push_back(Narrow(argument));
        } else {
            arguments.insert(arguments.end(), names.begin(), names.end());
        }
    }
    ::LocalFree(wide);
    return arguments;
}

void PrepareStandardStreams() {
    // Bytes as written: no CR put before each LF, no Ctrl-Z taken for an end.
    (void)_setmode(_fileno(stdin), _O_BINARY);
    (void)_setmode(_fileno(stdout), _O_BINARY);
    (void)_setmode(_fileno(stderr), _O_BINARY);
    // The texts are UTF-8; a console shows them as such.
    ::SetConsoleOutputCP(CP_UTF8);
}

bool IsTerminal(std::FILE* stream) {
    // The C runtime also calls the NUL device a terminal; a console is one
    // whose mode can be read.
    const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    DWORD mode = 0;
    return handle != INVALID_HANDLE_VALUE && ::GetFileType(handle) == FILE_TYPE_CHAR && ::GetConsoleMode(handle, &mode);
}

NativeFile RegularFileOf(std::FILE* stream, bool& found) {
    const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    found = handle != INVALID_HANDLE_VALUE && ::GetFileType(handle) == FILE_TYPE_DISK;
    return handle;
}

}  // namespace cep::os
