#include "res/Image.h"

#include <png.h>

namespace res {

Image::Image(int width, int height, Rgba fill) {
    if (width <= 0 || height <= 0) {
        return;
    }
    m_width = width;
    m_height = height;
    m_pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
    for (size_t i = 0; i < m_pixels.size(); i += 4) {
        m_pixels[i] = fill.r;
        m_pixels[i + 1] = fill.g;
        m_pixels[i + 2] = fill.b;
        m_pixels[i + 3] = fill.a;
    }
}

Rgba Image::Pixel(int x, int y) const {
    const uint8_t* p = Row(y) + static_cast<size_t>(x) * 4;
    return Rgba{p[0], p[1], p[2], p[3]};
}

void Image::SetPixel(int x, int y, Rgba c) {
    uint8_t* p = Row(y) + static_cast<size_t>(x) * 4;
    p[0] = c.r;
    p[1] = c.g;
    p[2] = c.b;
    p[3] = c.a;
}

bool DecodePng(std::span<const unsigned char> png, Image& out) {
    out = Image();
    if (png.empty()) {
        return false;
    }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, png.data(), png.size())) {
        png_image_free(&image);
        return false;
    }
    if (image.width == 0 || image.height == 0 || image.width > static_cast<png_uint_32>(kMaxPngSide) ||
        image.height > static_cast<png_uint_32>(kMaxPngSide)) {
        png_image_free(&image);
        return false;
    }
    image.format = PNG_FORMAT_RGBA;
    Image decoded(static_cast<int>(image.width), static_cast<int>(image.height));
    if (!png_image_finish_read(&image, nullptr, decoded.Data(), static_cast<png_int_32>(decoded.Stride()),
                               nullptr)) {
        png_image_free(&image);
        return false;
    }
    out = std::move(decoded);
    return true;
}

bool EncodePng(const Image& image, std::string& png) {
    png.clear();
    if (image.Empty()) {
        return false;
    }
    png_image info{};
    info.version = PNG_IMAGE_VERSION;
    info.width = static_cast<png_uint_32>(image.Width());
    info.height = static_cast<png_uint_32>(image.Height());
    info.format = PNG_FORMAT_RGBA;
    const auto stride = static_cast<png_int_32>(image.Stride());
    png_alloc_size_t size = 0;
    // The first call measures, the second writes.
    if (!png_image_write_to_memory(&info, nullptr, &size, 0, image.Data(), stride, nullptr)) {
        png_image_free(&info);
        return false;
    }
    png.resize(size);
    if (!png_image_write_to_memory(&info, png.data(), &size, 0, image.Data(), stride, nullptr)) {
        png_image_free(&info);
        png.clear();
        return false;
    }
    png.resize(size);
    return true;
}

}  // namespace res
