// The JSON document: exact data for scripts, numbers in their shortest
// round-trip form, keys in the documented order, file names as they are
// (invalid UTF-8 replaced).
#include <nlohmann/json.hpp>

#include "stats_writers.h"

namespace cli {

namespace {

using json = nlohmann::ordered_json;

json Interval(const cep::Estimate& e, const char* name, json fields = json::object()) {
    fields[name] = e.value;
    fields["low"] = e.low;
    fields["high"] = e.high;
    return fields;
}

json Optional(const std::optional<double>& value) { return value ? json(*value) : json(nullptr); }

json FileObject(const NamedStats& file) {
    const auto& [name, outcome] = file;
    if (!outcome) {
        const cep::Failure& failure = outcome.failure();
        return {{"file", name},
                {"error", {{"kind", std::string(cep::KindName(failure.kind))}, {"message", failure.message}}}};
    }
    const cep::GroupStats& s = outcome.value();
    json circles = json::array();
    for (const cep::HitCircle& circle : s.circles) {
        circles.push_back(Interval(circle.diameter, "diameter", {{"percent", circle.percent}}));
    }
    return {{"file", name},
            {"shots", s.shots},
            {"range_yards", s.rangeYards},
            {"mpi", {{"x", s.centre.x}, {"y", s.centre.y}}},
            {"mpi_offset", s.centreOffset},
            {"sd_x", s.sdX},
            {"sd_y", s.sdY},
            {"extreme_spread", s.extremeSpread},
            {"mean_radius", s.meanRadius},
            {"sigma", Interval(s.sigma, "estimate")},
            {"level", s.level},
            {"circles", std::move(circles)},
            {"moa_per_inch", Optional(s.moaPerInch)},
            {"mil_per_inch", Optional(s.milPerInch)}};
}

std::string Document(const json& document) {
    return document.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

}  // namespace

std::string StatsJson(const std::vector<NamedStats>& files) {
    json document = json::array();
    for (const NamedStats& file : files) document.push_back(FileObject(file));
    return Document(document);
}

std::string CompareJson(const NamedStats& a, const NamedStats& b, const cep::GroupComparison& c) {
    json tighter = nullptr;
    if (c.tighter == cep::Tighter::A) tighter = "a";
    if (c.tighter == cep::Tighter::B) tighter = "b";
    return Document({{"a", FileObject(a)},
                     {"b", FileObject(b)},
                     {"f", c.f},
                     {"df1", c.df1},
                     {"df2", c.df2},
                     {"p", c.p},
                     {"level", c.level},
                     {"tighter", std::move(tighter)}});
}

}  // namespace cli
