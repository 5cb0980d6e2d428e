#include "ui/SkinFonts.h"

platform::render::FontSpec DialogControlFont() { return {kSkinFontFace, 18, 400}; }
platform::render::FontSpec BoxCaptionFont() { return {kSkinFontFace, 40, 700}; }
platform::render::FontSpec BoxTextFont() { return {kSkinFontFace, 25, 300}; }
platform::render::FontSpec BoxControlFont() { return {kSkinFontFace, 20, 400}; }
