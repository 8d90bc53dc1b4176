// SPDX-License-Identifier: MIT
// The JSON documents: exact data for scripts, numbers in their shortest
// round-trip form, keys in the documented order, file names as they are
// (invalid UTF-8 replaced), compact.
#include <array>

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

// The hit circles with their intervals, and the next shots' circles; filled
// in place, so that a kept object keeps its keys' order.
void SetCircles(json& circles, const std::array<cep::HitCircle, 3>& from) {
    for (std::size_t i = 0; i < from.size(); ++i) {
        circles[i]["percent"] = from[i].percent;
        SetInterval(circles[i], "diameter", from[i].diameter);
    }
}

void SetPrediction(json& prediction, const std::array<cep::PredictionCircle, 3>& from) {
    for (std::size_t i = 0; i < from.size(); ++i) {
        prediction[i]["percent"] = from[i].percent;
        prediction[i]["diameter"] = from[i].diameter;
    }
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
        case cep::NoteKind::SpreadsDiffer:
        case cep::NoteKind::CentreMoved:
        case cep::NoteKind::OffsetUnproven: break;  // the tests' and the correction's own fields say it
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
    SetCircles(o["circles"], s.circles);
    o["moa_per_inch"] = Optional(s.moaPerInch);
    o["mil_per_inch"] = Optional(s.milPerInch);
    SetPrediction(o["prediction"], s.prediction);
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

std::string_view UnitName(cep::ClickUnit unit) {
    switch (unit) {
    case cep::ClickUnit::Moa: return "moa";
    case cep::ClickUnit::Mil: return "mil";
    case cep::ClickUnit::Inch: return "in";
    }
    return {};
}

json OptionalCount(const std::optional<long long>& value) { return value ? json(*value) : json(nullptr); }

// "correction", and "hit" when a target was given; set in this order after the other keys.
void FillAdvice(json& o, const cep::Advice& advice) {
    const cep::Correction& c = advice.correction;
    json& correction = o["correction"];
    correction["move_right_in"] = c.moveRight;
    correction["move_up_in"] = c.moveUp;
    correction["move_right_moa"] = Optional(c.moveRightMoa);
    correction["move_up_moa"] = Optional(c.moveUpMoa);
    correction["move_right_mil"] = Optional(c.moveRightMil);
    correction["move_up_mil"] = Optional(c.moveUpMil);
    correction["click"] = {{"value", c.click.value}, {"unit", UnitName(c.click.unit)}};
    correction["clicks_right"] = OptionalCount(c.clicksRight);
    correction["clicks_up"] = OptionalCount(c.clicksUp);
    correction["uncertainty_in"] = c.uncertainty;
    correction["called_for"] = c.calledFor;
    if (advice.hit) {
        json hit = {{"diameter_in", advice.hit->diameter}, {"now", advice.hit->now}, {"zeroed", advice.hit->zeroed}};
        if (!advice.hit->size.IsAngle()) {
            hit["farthest_yards"] = {{"50", Optional(advice.hit->farthest50)},
                                     {"90", Optional(advice.hit->farthest90)}};
        }
        o["hit"] = std::move(hit);
    } else if (advice.targetNeedsRange) {
        o["hit"] = nullptr;
    } else {
        o.erase("hit");
    }
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
    if (file.advice) FillAdvice(kept, *file.advice);
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

std::string PoolJson(std::span<const NamedStats> files, const cep::PoolStats& pool, const cep::Advice& advice) {
    json o = json::object();
    json names = json::array();
    json groups = json::array();
    for (const NamedStats& file : files) {
        names.push_back(file.name);
        json group = FileObject(file);
        if (file.stats && file.advice) FillAdvice(group, *file.advice);
        groups.push_back(std::move(group));
    }
    o["files"] = std::move(names);
    o["groups"] = std::move(groups);
    o["shots"] = pool.shots;
    o["df"] = pool.DegreesOfFreedom();
    o["mpi"] = {{"x", pool.centre.x}, {"y", pool.centre.y}};
    SetInterval(o["sigma"], "estimate", pool.sigma);
    o["level"] = pool.level;
    SetCircles(o["circles"], pool.circles);
    SetPrediction(o["prediction"], pool.prediction);
    o["average_extreme_spread"] = pool.averageExtremeSpread;
    o["average_mean_radius"] = pool.averageMeanRadius;
    if (pool.spreads) {
        o["spreads"] = {{"chi2", pool.spreads->chi2},
                        {"df", pool.spreads->df},
                        {"p", pool.spreads->p},
                        {"differ", pool.spreads->differ}};
    } else {
        o["spreads"] = nullptr;
    }
    o["centres"] = {{"f", pool.centres.f},
                    {"df1", pool.centres.df1},
                    {"df2", pool.centres.df2},
                    {"p", pool.centres.p},
                    {"differ", pool.centres.differ}};
    FillAdvice(o, advice);
    return Line(o) + "\n";
}

}  // namespace cep::writers
