// SPDX-License-Identifier: MIT
// The JSON documents: exact data for scripts, numbers in their shortest
// round-trip form, keys in the documented order, file names as they are
// (invalid UTF-8 replaced), compact.
#include <nlohmann/json.hpp>

#include "writers/stats_writers.h"

namespace cep::writers {

namespace {

using json = nlohmann::ordered_json;

void SetInterval(json& fields, const char* name, const cep::Estimate& e) {
    fields[name] = e.value;
    fields["low"] = e.low;
    fields["high"] = e.high;
}

json Optional(const std::optional<double>& value) { return value ? json(*value) : json(nullptr); }

// The notes as the three lists scripts read: flyers, shots left out, and the
// data check's findings.
struct NoteLists {
    json flyers = json::array();
    json excluded = json::array();
    json warnings = json::array();
};

NoteLists Lists(const std::vector<cep::Note>& notes) {
    NoteLists lists;
    for (const cep::Note& n : notes) {
        switch (n.kind) {
        case cep::NoteKind::DataWarning:
            lists.warnings.push_back({{"line", n.warning.line}, {"text", n.warning.text}});
            break;
        case cep::NoteKind::LeftOut: lists.excluded = n.shots; break;
        case cep::NoteKind::Flyer:
            lists.flyers.push_back({{"shot", n.flyer.shot}, {"distance", n.flyer.distance}, {"limit", n.flyer.limit}});
            break;
        case cep::NoteKind::Elongated: break;  // the shape's own field says it
        }
    }
    return lists;
}

// Sets every field of a group's object. Missing keys are added in the order
// set, the documented order; an object of the same shape is only refilled.
void Fill(json& o, const std::string& name, const cep::GroupStats& s, const std::vector<cep::DataWarning>& warnings) {
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
    json& prediction = o["prediction"];
    for (std::size_t i = 0; i < s.prediction.size(); ++i) {
        prediction[i]["percent"] = s.prediction[i].percent;
        prediction[i]["diameter"] = s.prediction[i].diameter;
    }
    NoteLists notes = Lists(cep::GroupNotes(s, warnings));
    o["flyers"] = std::move(notes.flyers);
    o["excluded"] = std::move(notes.excluded);
    json& shape = o["shape"];
    shape["sd_major"] = s.shape.sdMajor;
    shape["sd_minor"] = s.shape.sdMinor;
    shape["angle_degrees"] = s.shape.angleDegrees;
    shape["p_round"] = s.shape.pRound;
    shape["elongated"] = s.shape.elongated;
    json ellipses = json::array();
    for (const cep::PredictionEllipse& e : s.shape.ellipses) {
        ellipses.push_back({{"percent", e.percent}, {"major", e.major}, {"minor", e.minor}});
    }
    shape["ellipses"] = std::move(ellipses);
    o["warnings"] = std::move(notes.warnings);
}

// A failed file's object; the data warnings too when there were any.
json FailureObject(const NamedStats& file) {
    const cep::Failure& failure = file.stats.failure();
    json o = {{"file", file.name},
              {"error", {{"kind", std::string(cep::KindName(failure.kind))}, {"message", failure.message}}}};
    if (!file.warnings.empty()) o["warnings"] = Lists(cep::GroupNotes({}, file.warnings)).warnings;
    return o;
}

json FileObject(const NamedStats& file) {
    if (!file.stats) return FailureObject(file);
    json o = json::object();
    Fill(o, file.name, file.stats.value(), file.warnings);
    return o;
}

// Compact, on one line.
std::string Line(const json& value) { return value.dump(-1, ' ', false, json::error_handler_t::replace); }

}  // namespace

std::string StatsJsonObject(const NamedStats& file) {
    if (!file.stats) return Line(FailureObject(file));
    // One object kept and refilled: a tree per file would cost more than the
    // statistics over thousands of files.
    thread_local json kept = json::object();
    Fill(kept, file.name, file.stats.value(), file.warnings);
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

}  // namespace cep::writers
