// SPDX-License-Identifier: MIT
// Text from outside (file names, the range) as a terminal or a document may
// show it: controls written as \xHH, so that a crafted name cannot send
// escape sequences or split a line.
#pragma once

#include <string>
#include <string_view>

namespace cep::writers {

// C0 controls and DEL, and the C1 controls as UTF-8 encodes them, written as
// \xHH; everything else as it is.
std::string EscapeControls(std::string_view text);
// Every byte as \xHH.
std::string HexEscaped(std::string_view bytes);

}  // namespace cep::writers
