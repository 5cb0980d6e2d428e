#pragma once
// An RGBA picture in memory and its PNG form. The renderer composes the windows into an
// Image; the embedded pictures decode into one; snapshots encode one (the caller writes
// the bytes, e.g. with platform::WriteWholeFile).

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace res {

struct Rgba {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
    uint8_t a = 255;
    bool operator==(const Rgba&) const = default;
};

// True for pure white (0xFFFFFF, any alpha): the colour that marks what a window's or a
// button's shape leaves out.
constexpr bool IsPureWhite(Rgba c) { return c.r == 255 && c.g == 255 && c.b == 255; }

// Width x height pixels, row-major, 4 bytes (R, G, B, A) each, rows without padding.
class Image {
public:
    // An empty image (0 x 0).
    Image() = default;
    // width x height pixels of fill; a negative size gives an empty image.
    Image(int width, int height, Rgba fill = Rgba{});

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    bool Empty() const { return m_width == 0 || m_height == 0; }
    // True when x, y names a pixel of the image.
    bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < m_width && y < m_height; }

    // The pixel at x, y, which must be inside the image.
    Rgba Pixel(int x, int y) const;
    // Sets the pixel at x, y, which must be inside the image.
    void SetPixel(int x, int y, Rgba c);

    // The bytes of row y (Width() * 4), which must be a row of the image.
    uint8_t* Row(int y) { return m_pixels.data() + static_cast<size_t>(y) * Stride(); }
    const uint8_t* Row(int y) const { return m_pixels.data() + static_cast<size_t>(y) * Stride(); }
    // Bytes per row.
    size_t Stride() const { return static_cast<size_t>(m_width) * 4; }
    // All pixel bytes (Stride() * Height()).
    uint8_t* Data() { return m_pixels.data(); }
    const uint8_t* Data() const { return m_pixels.data(); }

    bool operator==(const Image&) const = default;

private:
    int m_width = 0;
    int m_height = 0;
    std::vector<uint8_t> m_pixels;
};

// Largest width or height DecodePng accepts; larger pictures are refused before any
// pixel memory is allocated.
constexpr int kMaxPngSide = 8192;

// Decodes a PNG file held in memory (any colour type and depth) into 8-bit RGBA.
// False, with out emptied, when the bytes are not a complete PNG or a side exceeds kMaxPngSide.
bool DecodePng(std::span<const unsigned char> png, Image& out);

// Encodes image as an 8-bit RGBA PNG into png. False when the image is empty or
// encoding fails.
bool EncodePng(const Image& image, std::string& png);

}  // namespace res
