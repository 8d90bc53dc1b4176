// Checks the bundled image files byte by byte, so a regenerated or
// re-saved asset that changes format (progressive JPEG, subsampled chroma,
// true-colour BMP, a 32-bit icon with transparency) is caught before it
// ships.

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes readAsset(const std::string& name) {
  const std::string path = std::string(CEP_RESOURCES_DIR) + "/" + name;
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    ADD_FAILURE() << "cannot open " << path;
    return {};
  }
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::uint32_t le(const Bytes& b, std::size_t at, int width) {
  std::uint32_t v = 0;
  for (int i = width - 1; i >= 0; --i) v = (v << 8) | b.at(at + static_cast<std::size_t>(i));
  return v;
}

std::uint32_t be16(const Bytes& b, std::size_t at) {
  return (static_cast<std::uint32_t>(b.at(at)) << 8) | b.at(at + 1);
}

bool startsWith(const Bytes& b, std::size_t at, std::string_view text) {
  if (at + text.size() > b.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i)
    if (b[at + i] != static_cast<std::uint8_t>(text[i])) return false;
  return true;
}

// A little-endian header field with the value it must hold.
struct Field {
  const char* name;
  std::size_t offset;
  int width;
  std::uint32_t expected;
};

void expectFields(const Bytes& b, std::initializer_list<Field> fields) {
  for (const Field& f : fields) {
    SCOPED_TRACE(f.name);
    ASSERT_LE(f.offset + static_cast<std::size_t>(f.width), b.size());
    EXPECT_EQ(le(b, f.offset, f.width), f.expected);
  }
}

// ---------------------------------------------------------------- JPEG

struct Segment {
  std::uint8_t marker;
  Bytes payload;  // without the length bytes
};

// Header segments from SOI up to and including SOS.
std::vector<Segment> jpegSegments(const Bytes& b) {
  std::vector<Segment> out;
  std::size_t at = 2;
  while (at + 4 <= b.size()) {
    if (b[at] != 0xFF) {
      ADD_FAILURE() << "no marker at offset " << at;
      break;
    }
    const std::uint8_t marker = b[at + 1];
    const std::size_t length = be16(b, at + 2);
    if (length < 2 || at + 2 + length > b.size()) {
      ADD_FAILURE() << "bad segment length at offset " << at;
      break;
    }
    out.push_back({marker, Bytes(b.begin() + static_cast<std::ptrdiff_t>(at + 4),
                                 b.begin() + static_cast<std::ptrdiff_t>(at + 2 + length))});
    if (marker == 0xDA) break;
    at += 2 + length;
  }
  return out;
}

class TargetJpeg : public ::testing::Test {
 protected:
  void SetUp() override {
    data = readAsset("target.jpg");
    ASSERT_GE(data.size(), 4u);
    segments = jpegSegments(data);
  }
  const Segment* find(std::uint8_t marker) const {
    for (const Segment& s : segments)
      if (s.marker == marker) return &s;
    return nullptr;
  }
  Bytes data;
  std::vector<Segment> segments;
};

TEST_F(TargetJpeg, StartsWithSoiAndEndsWithEoi) {
  EXPECT_EQ(data[0], 0xFF);
  EXPECT_EQ(data[1], 0xD8);
  EXPECT_EQ(data[data.size() - 2], 0xFF);
  EXPECT_EQ(data[data.size() - 1], 0xD9);
}

TEST_F(TargetJpeg, FirstSegmentIsJfifAt100DotsPerInch) {
  ASSERT_FALSE(segments.empty());
  const Segment& app0 = segments.front();
  ASSERT_EQ(app0.marker, 0xE0);
  ASSERT_GE(app0.payload.size(), 12u);
  EXPECT_TRUE(startsWith(app0.payload, 0, std::string_view("JFIF\0", 5)));
  EXPECT_EQ(app0.payload[7], 1) << "density units must be dots per inch";
  EXPECT_EQ(be16(app0.payload, 8), 100u);
  EXPECT_EQ(be16(app0.payload, 10), 100u);
}

TEST_F(TargetJpeg, CarriesAnIccProfile) {
  bool found = false;
  for (const Segment& s : segments)
    if (s.marker == 0xE2 && startsWith(s.payload, 0, std::string_view("ICC_PROFILE\0", 12)))
      found = true;
  EXPECT_TRUE(found);
}

TEST_F(TargetJpeg, IsBaselineWithoutChromaSubsampling) {
  // Only the baseline frame type may appear; progressive or other coding
  // modes are refused by some of the viewers the picture is shown in.
  for (const Segment& s : segments) {
    const bool isFrame = s.marker >= 0xC0 && s.marker <= 0xCF && s.marker != 0xC4 &&
                         s.marker != 0xC8 && s.marker != 0xCC;
    if (isFrame) {
      EXPECT_EQ(s.marker, 0xC0) << "unexpected frame marker";
    }
  }
  const Segment* sof = find(0xC0);
  ASSERT_NE(sof, nullptr);
  const Bytes& p = sof->payload;
  ASSERT_EQ(p.size(), 6u + 3u * 3u);
  EXPECT_EQ(p[0], 8) << "sample precision";
  EXPECT_EQ(be16(p, 1), 250u) << "height";
  EXPECT_EQ(be16(p, 3), 258u) << "width";
  ASSERT_EQ(p[5], 3) << "component count";
  for (std::size_t c = 0; c < 3; ++c) {
    SCOPED_TRACE("component " + std::to_string(c));
    EXPECT_EQ(p[6 + 3 * c + 1], 0x11) << "sampling factors";
  }
}

// ---------------------------------------------------------------- BMP

TEST(FolderBmp, HeaderDescribesA24x23PalettedImage) {
  const Bytes b = readAsset("folder.bmp");
  ASSERT_GE(b.size(), 54u);
  EXPECT_TRUE(startsWith(b, 0, "BM"));
  expectFields(b, {
                      {"file size", 2, 4, static_cast<std::uint32_t>(b.size())},
                      {"info header size", 14, 4, 40},
                      {"width", 18, 4, 24},
                      {"height (bottom-up)", 22, 4, 23},
                      {"planes", 26, 2, 1},
                      {"bits per pixel", 28, 2, 8},
                      {"compression", 30, 4, 0},
                  });
}

TEST(FolderBmp, PaletteSitsBetweenHeaderAndPixels) {
  const Bytes b = readAsset("folder.bmp");
  ASSERT_GE(b.size(), 54u);
  const std::uint32_t used = le(b, 46, 4);
  const std::uint32_t colours = used == 0 ? 256u : used;
  EXPECT_GT(colours, 0u);
  EXPECT_LE(colours, 256u);
  const std::uint32_t rowBytes = (24u + 3u) & ~3u;
  EXPECT_EQ(le(b, 10, 4), 54u + 4u * colours) << "pixel data offset";
  EXPECT_EQ(b.size(), 54u + 4u * colours + rowBytes * 23u);
}

TEST(FolderBmp, CornersShowTheButtonFace) {
  const Bytes b = readAsset("folder.bmp");
  ASSERT_GE(b.size(), 54u);
  const std::size_t pixels = le(b, 10, 4);
  const std::size_t rowBytes = (24 + 3) & ~std::size_t{3};
  const struct {
    const char* name;
    std::size_t row;  // as stored, bottom row first
    std::size_t col;
  } corners[] = {
      {"bottom-left", 0, 0}, {"bottom-right", 0, 23}, {"top-left", 22, 0}, {"top-right", 22, 23}};
  for (const auto& c : corners) {
    SCOPED_TRACE(c.name);
    const std::size_t index = b.at(pixels + c.row * rowBytes + c.col);
    const std::size_t quad = 54 + 4 * index;  // stored blue, green, red, 0
    ASSERT_LT(quad + 3, pixels);
    EXPECT_EQ(b[quad + 2], 192);
    EXPECT_EQ(b[quad + 1], 192);
    EXPECT_EQ(b[quad + 0], 192);
  }
}

// ---------------------------------------------------------------- ICO

constexpr std::size_t kIcoDirSize = 6;
constexpr std::size_t kIcoEntrySize = 16;
constexpr std::size_t kXorBytes = 32 * 16;  // 32 rows of 32 four-bit pixels
constexpr std::size_t kAndBytes = 32 * 4;   // 32 rows of 32 bits

TEST(ProgramIcon, DirectoryHoldsOne32x32SixteenColourImage) {
  const Bytes b = readAsset("cepcalc.ico");
  ASSERT_GE(b.size(), kIcoDirSize + kIcoEntrySize);
  expectFields(b, {
                      {"reserved", 0, 2, 0},
                      {"type (icon)", 2, 2, 1},
                      {"image count", 4, 2, 1},
                      {"entry width", 6, 1, 32},
                      {"entry height", 7, 1, 32},
                      {"entry colour count", 8, 1, 16},
                      {"entry reserved", 9, 1, 0},
                      {"entry bytes", 14, 4,
                       static_cast<std::uint32_t>(b.size() - kIcoDirSize - kIcoEntrySize)},
                      {"entry offset", 18, 4, kIcoDirSize + kIcoEntrySize},
                  });
}

TEST(ProgramIcon, BitmapIsFourBitWithSixteenColourPalette) {
  const Bytes b = readAsset("cepcalc.ico");
  constexpr std::size_t h = kIcoDirSize + kIcoEntrySize;
  ASSERT_GE(b.size(), h + 40);
  expectFields(b, {
                      {"info header size", h + 0, 4, 40},
                      {"width", h + 4, 4, 32},
                      {"height (colour rows plus mask rows)", h + 8, 4, 64},
                      {"planes", h + 12, 2, 1},
                      {"bits per pixel", h + 14, 2, 4},
                      {"compression", h + 16, 4, 0},
                  });
  const std::uint32_t used = le(b, h + 32, 4);
  EXPECT_EQ(used == 0 ? 16u : used, 16u) << "palette size";
  EXPECT_EQ(b.size(), h + 40 + 16 * 4 + kXorBytes + kAndBytes);
}

TEST(ProgramIcon, AndMaskLeavesEveryPixelOpaque) {
  const Bytes b = readAsset("cepcalc.ico");
  ASSERT_GE(b.size(), kAndBytes);
  for (std::size_t i = b.size() - kAndBytes; i < b.size(); ++i)
    ASSERT_EQ(b[i], 0) << "mask byte at offset " << i;
}

}  // namespace
