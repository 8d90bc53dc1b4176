// SPDX-License-Identifier: MIT
#include "writers/escape.h"

namespace cep::writers {

std::string HexEscaped(std::string_view bytes) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    for (const char byte : bytes) {
        const auto c = static_cast<unsigned char>(byte);
        out += "\\x";
        out += kHex[c >> 4];
        out += kHex[c & 0xf];
    }
    return out;
}

std::string EscapeControls(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        const bool c1 = c == 0xc2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                        static_cast<unsigned char>(text[i + 1]) <= 0x9f;
        if (c < 0x20 || c == 0x7f || c1) {
            const std::size_t bytes = c1 ? 2 : 1;
            out += HexEscaped(text.substr(i, bytes));
            i += bytes - 1;
        } else {
            out += text[i];
        }
    }
    return out;
}

}  // namespace cep::writers
