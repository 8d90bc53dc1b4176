// SPDX-License-Identifier: MIT
#include "tests/support/run_program.h"

#include <windows.h>

#include <map>

#include "tests/support/temp_dir.h"

namespace cep::testing_support {

namespace {

std::wstring Wide(const std::string& text) {
    if (text.empty()) return {};
    const int size = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
    return wide;
}

// One argument as the C runtime's command-line parser reads it back.
std::wstring Quoted(const std::wstring& arg) {
    if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) return arg;
    std::wstring quoted = L"\"";
    for (std::size_t i = 0;; ++i) {
        std::size_t backslashes = 0;
        while (i < arg.size() && arg[i] == L'\\') ++i, ++backslashes;
        if (i == arg.size()) {
            quoted.append(backslashes * 2, L'\\');
            break;
        }
        if (arg[i] == L'"') {
            quoted.append(backslashes * 2 + 1, L'\\');
        } else {
            quoted.append(backslashes, L'\\');
        }
        quoted += arg[i];
    }
    return quoted + L"\"";
}

HANDLE Inheritable(const std::wstring& path) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

Captured RunProgram(const std::string& program, const std::vector<std::string>& args,
                    const std::vector<std::string>& environment, const std::string& out, const std::string& folder,
                    bool together) {
    TempDir io;
    const std::string outPath = out.empty() ? io / "out" : out;
    const std::string errPath = io / "err";

    // The environment block: ours with the given entries put over it, sorted
    // by name as Windows expects.
    std::map<std::wstring, std::wstring> entries;
    if (wchar_t* block = ::GetEnvironmentStringsW()) {
        for (const wchar_t* e = block; *e != L'\0'; e += std::wcslen(e) + 1) {
            const std::wstring entry = e;
            const std::size_t eq = entry.find(L'=', 1);
            if (eq != std::wstring::npos) entries[entry.substr(0, eq)] = entry.substr(eq + 1);
        }
        ::FreeEnvironmentStringsW(block);
    }
    for (const std::string& given : environment) {
        const std::wstring entry = Wide(given);
        const std::size_t eq = entry.find(L'=');
        entries[entry.substr(0, eq)] = entry.substr(eq + 1);
    }
    std::wstring block;
    for (const auto& [name, value] : entries) block += name + L"=" + value + L'\0';
    block += L'\0';

    std::wstring commandLine = Quoted(Wide(program));
    for (const std::string& a : args) commandLine += L" " + Quoted(Wide(a));

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = INVALID_HANDLE_VALUE;
    startup.hStdOutput = Inheritable(Wide(outPath));
    if (together) {
        ::DuplicateHandle(::GetCurrentProcess(), startup.hStdOutput, ::GetCurrentProcess(), &startup.hStdError, 0, TRUE,
                          DUPLICATE_SAME_ACCESS);
    } else {
        startup.hStdError = Inheritable(Wide(errPath));
    }
    PROCESS_INFORMATION process{};
    const std::wstring wideFolder = Wide(folder);
    const BOOL started = ::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE,
                                          CREATE_UNICODE_ENVIRONMENT | CREATE_NO_WINDOW, block.data(),
                                          folder.empty() ? nullptr : wideFolder.c_str(), &startup, &process);
    ::CloseHandle(startup.hStdOutput);
    ::CloseHandle(startup.hStdError);
    if (!started) return {"", "could not start " + program, 127};
    ::WaitForSingleObject(process.hProcess, INFINITE);
    DWORD status = 0;
    ::GetExitCodeProcess(process.hProcess, &status);
    ::CloseHandle(process.hProcess);
    ::CloseHandle(process.hThread);
    return {out.empty() ? ReadAll(outPath) : std::string(), ReadAll(errPath), static_cast<int>(status)};
}

}  // namespace cep::testing_support
