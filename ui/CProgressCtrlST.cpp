#include "ui/CProgressCtrlST.h"

#include "platform/render/TextRender.h"
#include "ui/SkinFonts.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace {

void FillRect(res::Image& target, const UiRect& r, res::Rgba c) {
    int x0 = std::max(r.x, 0), y0 = std::max(r.y, 0);
    int x1 = std::min(r.x + r.width, target.Width()), y1 = std::min(r.y + r.height, target.Height());
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) target.SetPixel(x, y, c);
    }
}

void FrameRect(res::Image& target, const UiRect& r, res::Rgba c) {
    FillRect(target, {r.x, r.y, r.width, 1}, c);
    FillRect(target, {r.x, r.y + r.height - 1, r.width, 1}, c);
    FillRect(target, {r.x, r.y, 1, r.height}, c);
    FillRect(target, {r.x + r.width - 1, r.y, 1, r.height}, c);
}

UiRect Deflate(const UiRect& r) { return UiRect{r.x + 1, r.y + 1, r.width - 2, r.height - 2}; }

}  // namespace

int CProgressCtrlST::SetBitmap(res::Image bitmap) {
    m_bitmap = res::Image();
    m_fillWidth = m_fillHeight = 0;
    if (bitmap.Empty()) return 1;
    m_fillWidth = bitmap.Width();
    m_fillHeight = bitmap.Height();
    m_bitmap = std::move(bitmap);
    return 0;
}

void CProgressCtrlST::SetRange(int lower, int upper) {
    m_lower = lower;
    m_upper = upper;
    m_range = std::abs(upper - lower);
    if (m_range == 0) m_range = 1;
}

int CProgressCtrlST::SetPos(int p) {
    int previous = m_position;
    m_position = std::clamp(p, std::min(m_lower, m_upper), std::max(m_lower, m_upper));
    return previous;
}

int CProgressCtrlST::SetStep(int step) { return std::exchange(m_step, step); }

int CProgressCtrlST::StepIt() {
    int previous = m_position;
    m_position = std::min(m_position + m_step, m_upper);
    return previous;
}

int CProgressCtrlST::Percent() const {
    return static_cast<int>((std::abs(m_lower) + m_position) * (100.0 / m_range));
}

UiRect CProgressCtrlST::FilledRect(const UiRect& inner, int percent, bool vertical) {
    if (!vertical) {
        int width = static_cast<int>(static_cast<float>(inner.width) / 100.0f * static_cast<float>(percent));
        if (width > inner.width) width = inner.width - 1;
        return UiRect{inner.x, inner.y, std::max(width, 0), inner.height};
    }
    int height = static_cast<int>(static_cast<float>(inner.height) / 100.0f * static_cast<float>(percent));
    if (height > inner.height) height = inner.height - 1;
    height = std::max(height, 0);
    return UiRect{inner.x, inner.y + inner.height - height, inner.width, height};
}

void CProgressCtrlST::Paint(res::Image& target, const UiRect& client) {
    if (m_bitmap.Empty()) {
        PaintPlain(target, client);
        return;
    }
    FillRect(target, client, kProgressBackground);
    UiRect inner = client;
    if (m_border) {
        FrameRect(target, inner, res::Rgba{0, 0, 0, 255});
        inner = Deflate(inner);
    }
    inner = Deflate(inner);
    int percent = Percent();
    UiRect filled = FilledRect(inner, percent, m_vertical);

    // The fill picture tiled from the done part's top-left corner, the last tiles cut.
    for (int y = 0; y < filled.height; ++y) {
        int ty = filled.y + y;
        if (ty < 0 || ty >= target.Height()) continue;
        const uint8_t* src = m_bitmap.Row(y % m_fillHeight);
        uint8_t* dst = target.Row(ty);
        for (int x = 0; x < filled.width; ++x) {
            int tx = filled.x + x;
            if (tx < 0 || tx >= target.Width()) continue;
            const uint8_t* s = src + static_cast<size_t>(x % m_fillWidth) * 4;
            uint8_t* d = dst + static_cast<size_t>(tx) * 4;
            d[0] = s[0];
            d[1] = s[1];
            d[2] = s[2];
            d[3] = 255;
        }
    }

    if (!m_text.empty()) {
        platform::render::DrawText(target, {client.x, client.y, client.width, client.height}, m_text,
                                   DialogControlFont(), res::Rgba{255, 255, 255, 255}, {true, true});
    }
    OnDrawText(target, percent, client, filled, m_vertical);
}

void CProgressCtrlST::OnDrawText(res::Image&, int, const UiRect&, const UiRect&, bool) {}

void CProgressCtrlST::PaintPlain(res::Image& target, const UiRect& client) const {
    // The look of a plain progress bar: a light trough in a grey frame, a green done part.
    FillRect(target, client, res::Rgba{230, 230, 230, 255});
    FrameRect(target, client, res::Rgba{188, 188, 188, 255});
    UiRect inner = Deflate(client);
    UiRect filled = FilledRect(inner, std::clamp(Percent(), 0, 100), m_vertical);
    FillRect(target, filled, res::Rgba{6, 176, 37, 255});
}
