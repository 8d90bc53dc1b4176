// SPDX-License-Identifier: MIT
// The bundled pictures byte by byte, so a regenerated asset that changes
// format (progressive JPEG, subsampled chroma, true-colour BMP, an icon with
// transparency) is caught before it ships.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes ReadAsset(const std::string& name) {
    std::ifstream in(std::string(CEP_RESOURCES_DIR) + "/" + name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::uint32_t Le(const Bytes& b, std::size_t at, int width) {
    std::uint32_t v = 0;
    for (int i = width - 1; i >= 0; --i) v = (v << 8) | b.at(at + static_cast<std::size_t>(i));
    return v;
}

std::size_t Be16(const Bytes& b, std::size_t at) { return static_cast<std::size_t>(b.at(at) << 8 | b.at(at + 1)); }

struct Field {
    const char* name;
    std::size_t offset;
    int width;
    std::uint32_t expected;
};

void ExpectFields(const Bytes& b, std::initializer_list<Field> fields) {
    for (const Field& f : fields) {
        SCOPED_TRACE(f.name);
        EXPECT_EQ(Le(b, f.offset, f.width), f.expected);
    }
}

TEST(Assets, TargetIsABaselineJfifJpegWithFullChromaAndAnSrgbProfile) {
    const Bytes b = ReadAsset("target.jpg");
    ASSERT_GT(b.size(), 4u);
    bool jfif = false, icc = false, sof0 = false;
    for (std::size_t at = 2; at + 4 <= b.size() && b[at] == 0xFF && b[at + 1] != 0xDA;) {
        const std::uint8_t marker = b[at + 1];
        const std::size_t body = at + 4;
        const std::string tag(b.begin() + static_cast<std::ptrdiff_t>(body),
                              b.begin() + static_cast<std::ptrdiff_t>(std::min(body + 12, b.size())));
        if (marker == 0xE0 && tag.compare(0, 5, std::string("JFIF\0", 5)) == 0) {
            jfif = true;
            EXPECT_EQ(b[body + 7], 1);  // density in dots per inch
            EXPECT_EQ(Be16(b, body + 8), 100u);
            EXPECT_EQ(Be16(b, body + 10), 100u);
        }
        icc = icc || (marker == 0xE2 && tag == std::string("ICC_PROFILE\0", 12));
        if (marker == 0xC0) {
            sof0 = true;
            EXPECT_EQ(b[body], 8);  // bits per sample
            EXPECT_EQ(Be16(b, body + 1), 250u);
            EXPECT_EQ(Be16(b, body + 3), 258u);
            ASSERT_EQ(b[body + 5], 3);
            for (int c = 0; c < 3; ++c)
                EXPECT_EQ(b[body + 7 + 3 * static_cast<std::size_t>(c)], 0x11) << "component " << c;
        }
        at += 2 + Be16(b, at + 2);
    }
    EXPECT_TRUE(jfif);
    EXPECT_TRUE(icc);
    EXPECT_TRUE(sof0);
}

TEST(Assets, FolderGlyphIsA256ColourBmpOnButtonGrey) {
    const Bytes b = ReadAsset("folder.bmp");
    ASSERT_GT(b.size(), 54u);
    ExpectFields(b, {{"magic", 0, 2, 0x4D42},
                     {"header size", 14, 4, 40},
                     {"width", 18, 4, 24},
                     {"height", 22, 4, 23},
                     {"bits per pixel", 28, 2, 8},
                     {"compression", 30, 4, 0}});
    const std::size_t pixels = Le(b, 10, 4);
    const std::size_t stride = 24;  // 24 one-byte pixels, already a multiple of 4
    for (const std::size_t corner : {pixels, pixels + 23, pixels + 22 * stride, pixels + 22 * stride + 23}) {
        const std::size_t entry = 54 + 4 * static_cast<std::size_t>(b.at(corner));
        EXPECT_EQ(Le(b, entry, 3), 0xC0C0C0u) << "corner at " << corner;
    }
}

TEST(Assets, IconIsOne32x32SixteenColourImageWithoutTransparency) {
    const Bytes b = ReadAsset("cepcalc.ico");
    ASSERT_GT(b.size(), 22u + 40u);
    ExpectFields(b, {{"reserved", 0, 2, 0},
                     {"type", 2, 2, 1},
                     {"count", 4, 2, 1},
                     {"width", 6, 1, 32},
                     {"height", 7, 1, 32},
                     {"colours", 8, 1, 16}});
    const std::size_t image = Le(b, 18, 4);
    ExpectFields(b, {{"bitmap width", image + 4, 4, 32},
                     {"bitmap height", image + 8, 4, 64},
                     {"bits per pixel", image + 14, 2, 4}});
    const std::size_t mask = image + 40 + 16 * 4 + 32 * 16;  // header, palette, 4-bit pixels
    ASSERT_EQ(b.size(), mask + 32 * 4);
    for (std::size_t i = mask; i < b.size(); ++i) ASSERT_EQ(b[i], 0) << "transparent bit at " << i;
}

}  // namespace
