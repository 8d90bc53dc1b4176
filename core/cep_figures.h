// SPDX-License-Identifier: MIT
// Group centre, CEP and MOA.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/failure.h"
#include "core/group_file.h"

namespace cep {

inline constexpr ShotCount CentreVertexCount = 5;

enum class MoaVerdict { SubMoa, OneMoa, ExceedsMoa };

// What the window keeps after a Calculate command.
struct CepResults {
    std::string GroupFileName;
    double Cep = 0.0;
    double Moa = 0.0;
};

// The working state of the Calculate command. It belongs to the caller and
// outlives one run: a later run can depend on an earlier one's shot table.
struct CalcState {
    ShotTable Shots;
    ShotPoint GroupCentre;
    std::vector<std::pair<double, double>> Radii;  // r and r squared, per shot
    double Cep = 0.0;
    double Moa = 0.0;
    double Yards = 0.0;  // the range in yards that Moa was computed for
};

// Signed shoelace area of the polygon through entries 0 to n - 1.
Outcome<double> PolygonArea(ShotCount n, const ShotTable& points);

// Area centroid of the same polygon, given its signed area.
Outcome<ShotPoint> PolygonCentroid(ShotCount n, const ShotTable& points, double area);

// Sets GroupCentre, Radii and Cep from state.Shots; returns Cep.
Outcome<double> ComputeCep(CalcState& state, ShotCount n);

// Sets Moa = (Cep + Cep) * (100 / yards) from the range text; returns Moa.
Outcome<double> ComputeMoa(CalcState& state, std::string_view rangeText);

MoaVerdict ClassifyMoa(double moa);

}  // namespace cep
