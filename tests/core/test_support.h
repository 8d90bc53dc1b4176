// Helpers shared by the core tests: failure checks, temporary files and a
// results sink that records what it was given.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "calculate.h"
#include "failure.h"
#include "group_file.h"

namespace cep_test {

inline std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// The outcome failed with `kind`, and its message is "<kind name>: <reason>"
// where the reason is not empty and names no other kind.
template <class T>
testing::AssertionResult FailsWith(const cep::Outcome<T>& outcome, cep::FailureKind kind) {
    if (outcome.ok()) return testing::AssertionFailure() << "succeeded; expected " << cep::KindName(kind);
    const cep::Failure& failure = outcome.failure();
    if (failure.kind != kind) {
        return testing::AssertionFailure() << "failed with \"" << failure.message << "\"; expected "
                                           << cep::KindName(kind);
    }
    const std::string prefix = std::string(cep::KindName(kind)) + ": ";
    if (failure.message.rfind(prefix, 0) != 0 || failure.message.size() == prefix.size()) {
        return testing::AssertionFailure() << "message \"" << failure.message << "\" lacks \"" << prefix << "\"";
    }
    const std::string reason = Lower(failure.message.substr(prefix.size()));
    for (const auto other : {cep::FailureKind::FileNotFound, cep::FailureKind::FileAccessFailure,
                             cep::FailureKind::InputPastEndOfFile, cep::FailureKind::Overflow,
                             cep::FailureKind::DivisionByZero, cep::FailureKind::SubscriptOutOfRange}) {
        if (other != kind && reason.find(Lower(std::string(cep::KindName(other)))) != std::string::npos) {
            return testing::AssertionFailure() << "reason of \"" << failure.message << "\" names "
                                               << cep::KindName(other);
        }
    }
    return testing::AssertionSuccess();
}

// A folder of its own for one test, removed with everything in it.
class TempFolder {
public:
    TempFolder() {
        std::string pattern = testing::TempDir() + "cepcore-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "mkdtemp failed for " << pattern;
        path_ = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    std::string Path(const std::string& name) const { return (path_ / name).string(); }
    std::string Write(const std::string& name, const std::string& bytes) const {
        const std::string file = Path(name);
        std::ofstream(file, std::ios::binary) << bytes;
        return file;
    }

private:
    std::filesystem::path path_;
};

// A group file: two header lines, the count line, then one "x,y" line per shot.
inline std::string GroupText(const std::string& countLine, const std::vector<cep::ShotPoint>& shots,
                             const std::string& eol = "\r\n") {
    std::string text = "Orvanta group" + eol + "header" + eol + countLine + eol;
    for (const auto& s : shots) {
        char line[96];
        std::snprintf(line, sizeof line, "%.17g,%.17g", s.x, s.y);
        text += line + eol;
    }
    return text;
}

// The table the reader leaves: the shots, a copy of shot 0, then (0, 0).
inline cep::ShotTable ReadTable(std::vector<cep::ShotPoint> shots) {
    const cep::ShotPoint first = shots.empty() ? cep::ShotPoint{} : shots.front();
    shots.push_back(first);
    shots.push_back({});
    return shots;
}

struct RecordingSink : cep::ResultsText {
    std::vector<std::pair<char, std::string>> calls;  // 'S' for SetText, 'A' for AppendText
    void SetText(const std::string& text) override { calls.emplace_back('S', text); }
    void AppendText(const std::string& text) override { calls.emplace_back('A', text); }
};

}  // namespace cep_test

namespace cep {
// Lets gtest print shot points in failures.
inline void PrintTo(const ShotPoint& p, std::ostream* out) { *out << '(' << p.x << ", " << p.y << ')'; }
}  // namespace cep
