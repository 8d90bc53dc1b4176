// Shared by the core tests: outcomes as comparable values, group-file text and the read table.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <optional>
#include <ostream>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "failure.h"
#include "group_file.h"
#include "temp_dir.h"

namespace cep {
inline void PrintTo(const ShotPoint& p, std::ostream* out) { *out << testing::PrintToString(std::pair(p.x, p.y)); }
}  // namespace cep

namespace cep::testing_support {

inline std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// A value, or the kind of a failure.
struct Result {
    Result(double v) : value(v) {}  // NOLINT: implicit, for terse tables
    Result(FailureKind k) : kind(k) {}  // NOLINT: as above
    double value = 0.0;
    std::optional<FailureKind> kind;
    bool operator==(const Result&) const = default;
    friend void PrintTo(const Result& r, std::ostream* out) {
        *out << (r.kind ? std::string(KindName(*r.kind)) : testing::PrintToString(r.value));
    }
};

// Also checks that a failure's message is "<kind name>: <reason>" and that the reason names no other kind.
// A success that is not a number shows as 0.
template <class T>
Result ResultOf(const Outcome<T>& outcome) {
    if (outcome.ok()) {
        if constexpr (std::is_arithmetic_v<T>) return static_cast<double>(outcome.value());
        return 0.0;
    }
    const auto& [kind, message] = outcome.failure();
    const std::string prefix = std::string(KindName(kind)) + ": ";
    EXPECT_TRUE(message.rfind(prefix, 0) == 0 && message.size() > prefix.size()) << message;
    for (int k = 0; k <= static_cast<int>(FailureKind::SubscriptOutOfRange); ++k) {
        const std::string other = Lower(std::string(KindName(static_cast<FailureKind>(k))));
        if (k == static_cast<int>(kind)) continue;
        EXPECT_EQ(Lower(message.substr(prefix.size())).find(other), std::string::npos) << message;
    }
    return kind;
}

// Two header lines, the count line, then one "x,y" line per shot.
inline std::string GroupText(const std::string& count, const std::vector<ShotPoint>& shots) {
    std::string text = "Orvanta group\r\nheader\r\n" + count + "\r\n";
    char line[96];
    for (const auto& s : shots) {
        std::snprintf(line, sizeof line, "%.17g,%.17g\r\n", s.x, s.y);
        text += line;
    }
    return text;
}

// The table a read leaves: the shots, a copy of shot 0, then (0, 0).
inline ShotTable Table(std::vector<ShotPoint> shots) {
    shots.push_back(shots.empty() ? ShotPoint{} : shots.front());
    shots.push_back({});
    return shots;
}

// Short names for the failure kinds in case tables.
constexpr auto kOverflow = FailureKind::Overflow;
constexpr auto kPastEnd = FailureKind::InputPastEndOfFile;
constexpr auto kSubscript = FailureKind::SubscriptOutOfRange;
constexpr auto kAccess = FailureKind::FileAccessFailure;
constexpr auto kDivision = FailureKind::DivisionByZero;

}  // namespace cep::testing_support
