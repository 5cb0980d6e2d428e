#pragma once
// The fonts of the skinned windows: every control of the main dialog in one face and
// size; the message box's caption, text and other controls in their own.

#include "platform/render/TextRender.h"

// The face every control asks for.
inline constexpr char kSkinFontFace[] = "微软雅黑";

// The main dialog's controls: height 18, normal weight.
platform::render::FontSpec DialogControlFont();
// The message box: the caption label (40, bold), the text label (25, light), any other
// control (20, normal).
platform::render::FontSpec BoxCaptionFont();
platform::render::FontSpec BoxTextFont();
platform::render::FontSpec BoxControlFont();
