#include "ui/CxSkinButton.h"

#include "ui/PictureCache.h"

namespace {

// The pixel of picture that lands on pixel x, y of a width x height area under mode.
res::Rgba SourcePixel(const res::Image& picture, int mode, int x, int y, int width, int height) {
    int sx = x, sy = y;
    if (mode == CxSkinButton::kDrawStretch) {
        sx = static_cast<int>(static_cast<int64_t>(x) * picture.Width() / width);
        sy = static_cast<int>(static_cast<int64_t>(y) * picture.Height() / height);
    } else if (mode == CxSkinButton::kDrawTile) {
        sx = x % picture.Width();
        sy = y % picture.Height();
    }
    sx = sx < 0 ? 0 : (sx >= picture.Width() ? picture.Width() - 1 : sx);
    sy = sy < 0 ? 0 : (sy >= picture.Height() ? picture.Height() - 1 : sy);
    return picture.Pixel(sx, sy);
}

void SetIfInside(res::Image& target, int x, int y, res::Rgba c) {
    if (target.Contains(x, y)) target.SetPixel(x, y, c);
}

}  // namespace

void CxSkinButton::SetSkin(int normal, int pressed, int hover, int disabled, int mask) {
    m_normal = CachedPicture(normal);
    m_pressedBitmap = CachedPicture(pressed);
    m_hover = hover != 0 ? CachedPicture(hover) : res::Image();
    m_disabled = CachedPicture(disabled != 0 ? disabled : normal);
    m_focusBitmap = res::Image();
    m_drawMode = kDrawStretch;
    m_border = false;
    m_focusMargin = 0;
    m_mask = mask != 0 ? CachedPicture(mask) : res::Image();
    m_shape = m_mask.Empty() ? ShapeRegion() : ShapeRegion::FromPicture(m_mask);
}

void CxSkinButton::EnableWindow(bool enabled) {
    if (m_enabled == enabled) return;
    m_enabled = enabled;
    if (!enabled) {
        m_capture = false;
        m_buttonDown = false;
        m_pressed = false;
        m_hovering = false;
    }
}

bool CxSkinButton::HitTest(int x, int y) const {
    int lx = x - m_rect.x, ly = y - m_rect.y;
    if (lx < 0 || ly < 0 || lx >= m_rect.width || ly >= m_rect.height) return false;
    if (m_mask.Empty()) return true;
    // The shape is cut from the mask at its own size, as the window region is.
    return m_shape.Contains(lx, ly);
}

bool CxSkinButton::OnMouseMove(int x, int y) {
    if (m_buttonDown && m_capture) {
        bool over = HitTest(x, y);
        if (over == m_pressed) return false;
        m_pressed = over;
        return true;
    }
    if (m_hovering) return false;
    m_hovering = true;
    return !m_hover.Empty();
}

bool CxSkinButton::OnMouseLeave() {
    if (!m_hovering) return false;
    m_hovering = false;
    return !m_hover.Empty();
}

bool CxSkinButton::OnLButtonDown(int, int) {
    if (!m_enabled) return false;
    // The press cancels the hover tracking; the pressed look takes over.
    m_hovering = false;
    m_capture = true;
    m_focus = true;
    m_pressed = true;
    m_buttonDown = true;
    return true;
}

bool CxSkinButton::OnLButtonUp(int x, int y) {
    m_buttonDown = false;
    if (!m_capture) return false;
    m_capture = false;
    bool click = m_pressed && HitTest(x, y);
    bool changed = m_pressed;
    m_pressed = false;
    if (click && m_onClick) m_onClick();
    return changed;
}

bool CxSkinButton::OnKillFocus() {
    bool changed = m_pressed;
    m_focus = false;
    if (m_capture) {
        m_capture = false;
        m_buttonDown = false;
        m_pressed = false;
    }
    return changed;
}

const res::Image* CxSkinButton::CurrentBitmap() const {
    const res::Image* chosen = nullptr;
    if (!m_enabled) {
        chosen = &m_disabled;
    } else if (m_pressed) {
        chosen = &m_pressedBitmap;
    } else {
        chosen = &m_normal;
        if (m_hovering && !m_hover.Empty())
            chosen = &m_hover;
        else if (m_focus && !m_focusBitmap.Empty())
            chosen = &m_focusBitmap;
    }
    return chosen->Empty() ? nullptr : chosen;
}

void CxSkinButton::DrawItem(res::Image& target) const {
    if (!m_visible || m_rect.width <= 0 || m_rect.height <= 0) return;
    const res::Image* bitmap = CurrentBitmap();
    for (int y = 0; y < m_rect.height; ++y) {
        int ty = m_rect.y + y;
        if (ty < 0 || ty >= target.Height()) continue;
        for (int x = 0; x < m_rect.width; ++x) {
            int tx = m_rect.x + x;
            if (tx < 0 || tx >= target.Width()) continue;
            if (!bitmap) {
                target.SetPixel(tx, ty, kButtonFaceColour);
                continue;
            }
            // Copied at its own size, a picture smaller than the button leaves the rest as it was.
            if (m_drawMode == kDrawNormal && (x >= bitmap->Width() || y >= bitmap->Height())) continue;
            res::Rgba src = SourcePixel(*bitmap, m_drawMode, x, y, m_rect.width, m_rect.height);
            if (m_mask.Empty()) {
                target.SetPixel(tx, ty, src);
                continue;
            }
            // Transparent drawing: (under ^ picture) & mask ^ picture keeps what lies under
            // the button where the mask is white and shows the picture where it is black.
            res::Rgba m = SourcePixel(m_mask, m_drawMode, x, y, m_rect.width, m_rect.height);
            res::Rgba under = target.Pixel(tx, ty);
            res::Rgba out{static_cast<uint8_t>(((under.r ^ src.r) & m.r) ^ src.r),
                          static_cast<uint8_t>(((under.g ^ src.g) & m.g) ^ src.g),
                          static_cast<uint8_t>(((under.b ^ src.b) & m.b) ^ src.b), 255};
            target.SetPixel(tx, ty, out);
        }
    }
    const UiRect& r = m_rect;
    if (m_border) {
        // A raised edge, sunken while pressed.
        res::Rgba light{255, 255, 255, 255}, dark{105, 105, 105, 255};
        res::Rgba topLeft = m_pressed ? dark : light, bottomRight = m_pressed ? light : dark;
        for (int x = 0; x < r.width; ++x) {
            SetIfInside(target, r.x + x, r.y, topLeft);
            SetIfInside(target, r.x + x, r.y + r.height - 1, bottomRight);
        }
        for (int y = 0; y < r.height; ++y) {
            SetIfInside(target, r.x, r.y + y, topLeft);
            SetIfInside(target, r.x + r.width - 1, r.y + y, bottomRight);
        }
    }
    if (m_focusMargin > 0 && m_focus) {
        // A dotted focus rectangle inset by the margin.
        int x0 = r.x + m_focusMargin, y0 = r.y + m_focusMargin;
        int x1 = r.x + r.width - 1 - m_focusMargin, y1 = r.y + r.height - 1 - m_focusMargin;
        res::Rgba black{0, 0, 0, 255};
        for (int x = x0; x <= x1; x += 2) {
            SetIfInside(target, x, y0, black);
            SetIfInside(target, x, y1, black);
        }
        for (int y = y0; y <= y1; y += 2) {
            SetIfInside(target, x0, y, black);
            SetIfInside(target, x1, y, black);
        }
    }
}
