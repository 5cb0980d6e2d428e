#include "res/Image.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace res {
namespace {

std::span<const unsigned char> Bytes(const std::string& s) {
    return {reinterpret_cast<const unsigned char*>(s.data()), s.size()};
}

Image Sample() {
    Image image(5, 3, Rgba{10, 20, 30, 255});
    image.SetPixel(0, 0, Rgba{255, 255, 255, 255});
    image.SetPixel(4, 2, Rgba{1, 2, 3, 0});
    image.SetPixel(2, 1, Rgba{200, 100, 50, 128});
    return image;
}

TEST(ImageTest, PixelsAreAddressedByColumnAndRow) {
    Image image = Sample();
    EXPECT_EQ(image.Width(), 5);
    EXPECT_EQ(image.Height(), 3);
    EXPECT_EQ(image.Stride(), 20u);
    EXPECT_EQ(image.Pixel(2, 1), (Rgba{200, 100, 50, 128}));
    EXPECT_EQ(image.Pixel(1, 1), (Rgba{10, 20, 30, 255}));
    const uint8_t* row = image.Row(2);
    EXPECT_EQ(row[4 * 4 + 0], 1);
    EXPECT_EQ(row[4 * 4 + 3], 0);
    EXPECT_TRUE(image.Contains(4, 2));
    EXPECT_FALSE(image.Contains(5, 0));
    EXPECT_FALSE(image.Contains(0, -1));
    EXPECT_TRUE(IsPureWhite(image.Pixel(0, 0)));
    EXPECT_FALSE(IsPureWhite(Rgba{255, 255, 254, 255}));
    EXPECT_TRUE(Image(0, 7).Empty());
    EXPECT_TRUE(Image(-1, -1).Empty());
}

TEST(ImageTest, EncodeThenDecodeGivesTheSamePixelsIncludingAlpha) {
    const Image image = Sample();
    std::string png;
    ASSERT_TRUE(EncodePng(image, png));
    ASSERT_GT(png.size(), 8u);
    EXPECT_EQ(png.substr(1, 3), "PNG");
    Image decoded;
    ASSERT_TRUE(DecodePng(Bytes(png), decoded));
    EXPECT_EQ(decoded, image);
}

TEST(ImageTest, TheLargestAllowedSideDecodes) {
    std::string png;
    ASSERT_TRUE(EncodePng(Image(kMaxPngSide, 1, Rgba{1, 2, 3, 4}), png));
    Image decoded;
    ASSERT_TRUE(DecodePng(Bytes(png), decoded));
    EXPECT_EQ(decoded.Width(), kMaxPngSide);
    EXPECT_EQ(decoded.Pixel(kMaxPngSide - 1, 0), (Rgba{1, 2, 3, 4}));
}

TEST(ImageTest, EncodingAnEmptyImageFails) {
    std::string png = "stale";
    EXPECT_FALSE(EncodePng(Image(), png));
    EXPECT_TRUE(png.empty());
}

TEST(ImageTest, BrokenInputIsRefusedAndLeavesNoImage) {
    std::string png;
    ASSERT_TRUE(EncodePng(Sample(), png));
    std::string corrupt = png;
    corrupt[corrupt.size() / 2] ^= 0x5A;  // breaks the image data's checksum
    std::string oversized;  // a valid PNG, wider than any picture the program decodes
    ASSERT_TRUE(EncodePng(Image(kMaxPngSide + 1, 1), oversized));
    const struct {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"empty", ""},
        {"not a PNG", "GIF89a........................"},
        {"signature only", png.substr(0, 8)},
        {"cut in the middle", png.substr(0, png.size() / 2)},
        {"corrupt data", corrupt},
        {"wider than the limit", oversized},
    };
    for (const auto& c : cases) {
        Image out = Sample();
        EXPECT_FALSE(DecodePng(Bytes(c.bytes), out)) << c.what;
        EXPECT_TRUE(out.Empty()) << c.what;
    }
}

}  // namespace
}  // namespace res
