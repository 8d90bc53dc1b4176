// SPDX-License-Identifier: MIT
// Another program that holds a file the way a spreadsheet or another saver
// would, for the Windows tests: "hold_file lock PATH" opens it shared and
// locks it whole; "hold_file deny-write PATH" opens it denying others'
// writes. Either way it then creates PATH.held and waits to be ended.
#include <windows.h>

#include <string>

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) return 2;
    const std::wstring how = argv[1], path = argv[2];
    const bool lock = how == L"lock";
    const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                      lock ? FILE_SHARE_READ | FILE_SHARE_WRITE : FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    OVERLAPPED whole{};
    if (lock && !::LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole)) return 1;
    const HANDLE held = ::CreateFileW((path + L".held").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    ::CloseHandle(held);
    ::Sleep(60000);
    return 0;
}
