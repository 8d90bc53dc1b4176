// SPDX-License-Identifier: MIT
// A grey picture as its decoder hands it over: 8-bit pixels, row after row,
// each row `stride` bytes from the last. The library only reads it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace cep::scan {

struct GreyPicture {
    const std::uint8_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    std::ptrdiff_t stride = 0;
};

}  // namespace cep::scan
