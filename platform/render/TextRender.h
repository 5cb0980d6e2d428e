#pragma once
// Text drawn into an RGBA picture, in a face found by name through fontconfig (a
// Korean-capable face stands in when the named one is missing). Safe to call from any
// thread; calls are serialised.

#include "res/Image.h"

#include <string>
#include <string_view>

namespace platform::render {

// A face by name, its height in pixels (the height of a line of text: ascent plus
// descent) and its weight (400 normal, 300 light, 700 bold).
struct FontSpec {
    std::string face;
    int height = 18;
    int weight = 400;
};

// Where text goes in the picture (pixels); nothing is drawn outside it.
struct TextBox {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

struct TextLayout {
    bool centred = false;     // each line centred horizontally; otherwise left-aligned
    bool singleLine = false;  // one line, centred vertically; otherwise lines wrap at blanks
                              // (or inside a word too long for the box) and run from the top
};

// Draws UTF-8 text in colour over target inside box, blending by the glyphs' coverage and
// leaving every pixel around the glyphs as it was. "\n" (and "\r\n") start a new line.
// False when no face could be opened (nothing is drawn).
bool DrawText(res::Image& target, const TextBox& box, std::string_view text, const FontSpec& font,
              res::Rgba colour, const TextLayout& layout);

// The file of the face used for font (empty when none is found).
std::string FontFileFor(const FontSpec& font);

}  // namespace platform::render
