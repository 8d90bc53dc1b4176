// SPDX-License-Identifier: MIT
// The JSON documents: exact data for scripts, numbers in their shortest
// round-trip form, keys in the documented order, file names as they are
// (invalid UTF-8 replaced), compact.
#include <nlohmann/json.hpp>

#include "stats_writers.h"

namespace cli {

namespace {

using json = nlohmann::ordered_json;

void SetInterval(json& fields, const char* name, const cep::Estimate& e) {
    fields[name] = e.value;
    fields["low"] = e.low;
    fields["high"] = e.high;
}

json Optional(const std::optional<double>& value) { return value ? json(*value) : json(nullptr); }

// Sets every field of a group's object. Missing keys are added in the order
// set, the documented order; an object of the same shape is only refilled.
void Fill(json& o, const std::string& name, const cep::GroupStats& s) {
    o["file"] = name;
    o["shots"] = s.shots;
    o["range_yards"] = s.rangeYards;
    json& mpi = o["mpi"];
    mpi["x"] = s.centre.x;
    mpi["y"] = s.centre.y;
    o["mpi_offset"] = s.centreOffset;
    o["sd_x"] = s.sdX;
    o["sd_y"] = s.sdY;
    o["extreme_spread"] = s.extremeSpread;
    o["mean_radius"] = s.meanRadius;
    SetInterval(o["sigma"], "estimate", s.sigma);
    o["level"] = s.level;
    json& circles = o["circles"];
    for (std::size_t i = 0; i < s.circles.size(); ++i) {
        circles[i]["percent"] = s.circles[i].percent;
        SetInterval(circles[i], "diameter", s.circles[i].diameter);
    }
    o["moa_per_inch"] = Optional(s.moaPerInch);
    o["mil_per_inch"] = Optional(s.milPerInch);
}

json FailureObject(const std::string& name, const cep::Failure& failure) {
    return {{"file", name},
            {"error", {{"kind", std::string(cep::KindName(failure.kind))}, {"message", failure.message}}}};
}

json FileObject(const NamedStats& file) {
    if (!file.second) return FailureObject(file.first, file.second.failure());
    json o = json::object();
    Fill(o, file.first, file.second.value());
    return o;
}

// Compact, on one line.
std::string Line(const json& value) { return value.dump(-1, ' ', false, json::error_handler_t::replace); }

}  // namespace

std::string StatsJsonObject(const NamedStats& file) {
    if (!file.second) return Line(FailureObject(file.first, file.second.failure()));
    // One object kept and refilled: a tree per file would cost more than the
    // statistics over thousands of files.
    thread_local json kept = json::object();
    Fill(kept, file.first, file.second.value());
    return Line(kept);
}

std::string CompareJson(const NamedStats& a, const NamedStats& b, const cep::GroupComparison& c) {
    json tighter = nullptr;
    if (c.tighter == cep::Tighter::A) tighter = "a";
    if (c.tighter == cep::Tighter::B) tighter = "b";
    return Line({{"a", FileObject(a)},
                     {"b", FileObject(b)},
                     {"f", c.f},
                     {"df1", c.df1},
                     {"df2", c.df2},
                     {"p", c.p},
                     {"level", c.level},
                     {"tighter", std::move(tighter)}}) +
           "\n";
}

}  // namespace cli
