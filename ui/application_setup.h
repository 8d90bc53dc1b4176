// SPDX-License-Identifier: MIT
#pragma once

namespace cepui {

// Makes the running QApplication look the same on every Linux machine:
// registers the embedded fonts, maps the window's design font to them, sets
// the application font, name, version and icon. Call it once, after the
// QApplication exists and before the first window is created.
void setUpApplication();

// The window's design font: its family name, and its size in points.
inline constexpr const char *kDesignFontFamily = "MS Sans Serif";
inline constexpr double kDesignFontPoints = 8.25;

} // namespace cepui
