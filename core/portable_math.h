// SPDX-License-Identifier: MIT
// Functions of printed figures built from the operations IEEE 754 rounds
// exactly (+, -, *, /, sqrt), so that Windows and Linux print the same last
// digits: their libm's atan, tan, log and pow may differ by an ulp.
#pragma once

namespace cep {

// atan(x) for any finite x.
double PortableAtan(double x);

// tan(x) for |x| < pi / 2.
double PortableTan(double x);

// The natural logarithm of a finite x > 0.
double PortableLog(double x);

// The length of (x, y), as sqrt(x * x + y * y) where the squares can neither
// overflow nor lose their digits, else scaled by a power of two first.
double PortableHypot(double x, double y);

// base to the power m, m >= 0, by repeated squaring.
double IntegerPower(double base, long m);

// c to the power 1 / m for c >= 1 and m >= 1: the largest double whose m-th
// power does not exceed c, found by halving.
double IntegerRoot(double c, long m);

}  // namespace cep
