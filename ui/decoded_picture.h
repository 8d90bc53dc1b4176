// SPDX-License-Identifier: MIT
#pragma once

#include <QImage>

#include <cstdint>

namespace cepui {

// A picture decoded when the program was built (by picture-decoder/, from the
// file in resources/), so that starting the window decodes nothing: its
// pixels as 0xAARRGGBB words, row after row, alpha 0xff throughout unless
// hasAlpha.
struct DecodedPicture
{
    int width;
    int height;
    bool hasAlpha;
    const std::uint32_t *pixels;

    // An image over the pixels, sharing them without a copy.
    QImage image() const
    {
        return QImage(reinterpret_cast<const uchar *>(pixels), width, height, width * 4,
                      hasAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    }
};

// The files of the same names in resources/.
extern const DecodedPicture kTargetPicture; // target.jpg
extern const DecodedPicture kFolderPicture; // folder.bmp
extern const DecodedPicture kIconPicture; // cepcalc.png

} // namespace cepui
