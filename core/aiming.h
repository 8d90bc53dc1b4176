// SPDX-License-Identifier: MIT
// From a group's figures to what a shooter does next: the clicks that move
// the point of impact onto the point of aim, and the chance that the next
// shot hits a target of a given size. Both rest on the Rayleigh variance s^2
// with its degrees of freedom, of one group or of several pooled.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/failure.h"
#include "core/group_file.h"

namespace cep {

enum class ClickUnit { Moa, Mil, Inch };

// What one click of the turret moves the point of impact: an angle in true
// MOA or mil, or inches at 100 yards for turrets marked that way.
struct ClickValue {
    double value = 0.25;
    ClickUnit unit = ClickUnit::Moa;
};

enum class SizeUnit { Inch, Centimetre, Millimetre, Moa, Mil };

// A target's diameter as given: a length, or an angle at the range.
struct TargetSize {
    double value = 0.0;
    SizeUnit unit = SizeUnit::Inch;
    bool IsAngle() const { return unit == SizeUnit::Moa || unit == SizeUnit::Mil; }
};

// "10in", "25cm", "250mm", "2moa", "1mil"; a bare number is inches. The
// number is read with the period whatever the locale, and must be positive;
// an angle must be less than half a turn. Empty when the text is not one.
std::optional<TargetSize> ParseTargetSize(std::string_view text);
// "0.25moa", "1/8moa", "0.1mil", "0.5in": a positive number or fraction and its unit.
std::optional<ClickValue> ParseClickValue(std::string_view text);
// "X,Y" in inches, x to the right and y upward.
std::optional<ShotPoint> ParseAimPoint(std::string_view text);

// The spread that the advice rests on: s^2 without the bias factor, its
// degrees of freedom, and the shots whose centre it is about.
struct Dispersion {
    ShotPoint centre;
    double s2 = 0.0;
    int degreesOfFreedom = 0;
    int shots = 0;
    double rangeYards = 0.0;
    double level = 0.95;
};

// The move that puts the point of impact on the point of aim.
struct Correction {
    ShotPoint aim;
    double moveRight = 0.0;  // inches; negative is to the left
    double moveUp = 0.0;     // negative is down
    // As true angles, atan(move / range); only for a positive range.
    std::optional<double> moveRightMoa, moveUpMoa, moveRightMil, moveUpMil;
    ClickValue click;
    // round(angle / click), halves away from zero; only for a positive range.
    std::optional<long long> clicksRight, clicksUp;
    double offset = 0.0;       // from the centre to the aim, inches
    double uncertainty = 0.0;  // radius of the centre's own uncertainty at the level
    double level = 0.95;
    bool calledFor = false;  // the offset lies beyond that radius
};

// The chance that the next shot lands inside a circle of `diameter` about
// the point of aim, predictive (allowing for the uncertainty of the centre
// and of sigma).
struct HitChance {
    TargetSize size;
    double diameter = 0.0;  // inches
    double now = 0.0;       // with the centre where it is
    double zeroed = 0.0;    // with the centre moved onto the aim
    // For a size given as a length at a positive range: the farthest range,
    // in yards, at which the chance once zeroed is still 50 % and 90 %.
    std::optional<double> farthest50, farthest90;
};

// What to tell the shooter about a group (or pool): the correction always,
// the chance of a hit when a target size is given and can be turned into a
// diameter (an angle needs a positive range).
struct AimingOptions {
    ShotPoint aim;
    ClickValue click;
    std::optional<TargetSize> target;
};

struct Advice {
    Correction correction;
    std::optional<HitChance> hit;
    bool targetNeedsRange = false;  // a size given as an angle, and no range
};

Outcome<Correction> ComputeCorrection(const Dispersion& d, ShotPoint aim, const ClickValue& click);

// The chance once zeroed: 1 - (1 + r^2 / (nu s^2 (1 + 1/n)))^(-nu/2).
double ChanceOnceZeroed(double radius, const Dispersion& d);
// The chance as it shoots now, the centre `offset` inches from the aim: the
// noncentral chi-square chance averaged over sigma^2 = nu s^2 / X, X
// chi-square with nu degrees of freedom, by numeric integration.
double ChanceAsItShoots(double radius, double offset, const Dispersion& d);
// The farthest range at which the chance once zeroed is still p.
std::optional<double> FarthestRange(double radius, double p, const Dispersion& d);

Outcome<HitChance> ComputeHitChance(const Dispersion& d, ShotPoint aim, const TargetSize& size);

Outcome<Advice> Advise(const Dispersion& d, const AimingOptions& options);

}  // namespace cep
