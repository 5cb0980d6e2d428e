#include "ui/SkinnedView.h"

#include "platform/Text.h"
#include "platform/render/TextRender.h"
#include "res/ResourceIds.h"
#include "ui/CProgressCtrlST.h"
#include "ui/ControlIds.h"
#include "ui/PictureCache.h"
#include "ui/SkinFonts.h"

#include <algorithm>
#include <cstring>
#include <functional>

namespace {

constexpr res::Rgba kLabelTextColour{255, 255, 255, 255};

bool IsMessageBox(const DialogModel& model) { return model.backgroundBitmap == IDB_MSGBOX_BACKGROUND; }

platform::render::FontSpec LabelFont(const DialogModel& model, int id) {
    if (!IsMessageBox(model)) return DialogControlFont();
    if (id == IDC_BOX_CAPTION) return BoxCaptionFont();
    if (id == IDC_BOX_TEXT) return BoxTextFont();
    return BoxControlFont();
}

// The background at 0, 0 at its own size; a missing picture leaves the window black.
void DrawBackground(const DialogModel& model, res::Image& out) {
    out = res::Image(model.windowRect.width, model.windowRect.height, res::Rgba{0, 0, 0, 255});
    const res::Image& background = CachedPicture(model.backgroundBitmap);
    int rows = std::min(background.Height(), out.Height());
    size_t bytes = static_cast<size_t>(std::min(background.Width(), out.Width())) * 4;
    for (int y = 0; y < rows; ++y) std::memcpy(out.Row(y), background.Row(y), bytes);
}

void DrawLabel(const DialogModel& model, const UiControl& label, res::Image& out) {
    if (!label.visible || label.text.empty()) return;
    platform::render::TextLayout layout;
    layout.centred = label.centred;
    platform::render::DrawText(out, {label.rect.x, label.rect.y, label.rect.width, label.rect.height},
                               platform::Utf16ToUtf8(label.text), LabelFont(model, label.id), kLabelTextColour, layout);
}

void DrawProgress(const UiControl& bar, res::Image& out) {
    if (!bar.visible) return;
    CProgressCtrlST control;
    if (bar.fillBitmap != 0) control.SetBitmap(CachedPicture(bar.fillBitmap));
    control.SetRange(bar.rangeLow, bar.rangeHigh);
    control.SetPos(bar.position);
    control.SetText(platform::Utf16ToUtf8(bar.text));
    control.Paint(out, bar.rect);
}

// Every control in its order of creation; buttons come from buttonFor.
void Compose(const DialogModel& model, const std::function<const CxSkinButton*(const UiControl&)>& buttonFor,
             res::Image& out) {
    DrawBackground(model, out);
    for (const UiControl& control : model.Controls()) {
        switch (control.kind) {
        case ControlKind::Label: DrawLabel(model, control, out); break;
        case ControlKind::ProgressBar: DrawProgress(control, out); break;
        case ControlKind::Button:
            if (const CxSkinButton* button = buttonFor(control)) button->DrawItem(out);
            break;
        }
    }
}

void ApplyModel(const UiControl& control, CxSkinButton& button) {
    button.MoveWindow(control.rect);
    button.EnableWindow(control.enabled);
    button.ShowWindow(control.visible);
}

}  // namespace

void RenderDialog(const DialogModel& model, res::Image& out) {
    CxSkinButton button;
    Compose(
        model,
        [&button](const UiControl& control) -> const CxSkinButton* {
            button = CxSkinButton();
            button.SetSkin(control.skin);
            ApplyModel(control, button);
            return &button;
        },
        out);
}

SkinnedView::SkinnedView(platform::WindowHandle window) : m_window(window) {}

platform::ViewRect SkinnedView::Placement() const {
    const DialogModel* model = Model();
    if (!model) return {};
    const UiRect& r = model->windowRect;
    return {r.x, r.y, r.width, r.height};
}

std::string SkinnedView::Title() const {
    const DialogModel* model = Model();
    if (!model) return {};
    if (!model->title.empty()) return platform::Utf16ToUtf8(model->title);
    return platform::Utf16ToUtf8(model->GetText(IDC_BOX_CAPTION));
}

bool SkinnedView::Icon(res::Image& out) const {
    const DialogModel* model = Model();
    if (!model || model->iconId == 0) return false;
    out = CachedPicture(model->iconId);
    return !out.Empty();
}

void SkinnedView::Render(res::Image& out) {
    const DialogModel* model = Model();
    if (!model) return;
    SyncButtons();
    Compose(
        *model,
        [this](const UiControl& control) -> const CxSkinButton* {
            auto it = m_buttons.find(control.id);
            return it == m_buttons.end() ? nullptr : &it->second.button;
        },
        out);
}

std::vector<platform::ViewRect> SkinnedView::Shape() const {
    std::vector<platform::ViewRect> rects;
    const DialogModel* model = Model();
    if (!model) return rects;
    const res::Image& background = CachedPicture(model->backgroundBitmap);
    if (background.Empty()) {
        // Without its picture the window keeps its whole rectangle.
        rects.push_back({0, 0, model->windowRect.width, model->windowRect.height});
        return rects;
    }
    ShapeRegion shape = ShapeRegion::FromPicture(background);
    rects.reserve(shape.Runs().size());
    for (const UiRect& run : shape.Runs()) rects.push_back({run.x, run.y, run.width, run.height});
    return rects;
}

void SkinnedView::SyncButtons() const {
    const DialogModel* model = Model();
    if (!model) return;
    for (const UiControl& control : model->Controls()) {
        if (control.kind != ControlKind::Button) continue;
        auto [it, added] = m_buttons.try_emplace(control.id);
        ButtonEntry& entry = it->second;
        if (added || entry.skin != control.skin) {
            entry.skin = control.skin;
            entry.button.SetSkin(control.skin);
        }
        if (added) {
            platform::WindowHandle window = m_window;
            uint16_t command = CommandOf(control.id);
            // The click reaches the dialog as its command, after the pointer event is done.
            entry.button.SetClickHandler(
                [window, command] { platform::PostMessage(window, platform::kMsgCommand, command, 0); });
        }
        ApplyModel(control, entry.button);
        if (!entry.button.IsWindowEnabled() || !entry.button.IsWindowVisible()) {
            if (m_hover == control.id) m_hover = 0;
            if (m_captured == control.id) m_captured = 0;
        }
    }
}

const CxSkinButton* SkinnedView::Button(int id) {
    SyncButtons();
    auto it = m_buttons.find(id);
    return it == m_buttons.end() ? nullptr : &it->second.button;
}

int SkinnedView::ButtonAt(int x, int y) {
    for (auto& [id, entry] : m_buttons) {
        const CxSkinButton& b = entry.button;
        if (b.IsWindowEnabled() && b.IsWindowVisible() && b.HitTest(x, y)) return id;
    }
    return 0;
}

bool SkinnedView::IsControlAt(int x, int y) const {
    const DialogModel* model = Model();
    if (!model) return false;
    SyncButtons();
    // Labels let presses through to the window (which drags); buttons take presses inside
    // their shape only; a disabled button lets them through as well.
    for (const UiControl& control : model->Controls()) {
        if (!control.visible) continue;
        const UiRect& r = control.rect;
        bool inRect = x >= r.x && y >= r.y && x < r.x + r.width && y < r.y + r.height;
        if (!inRect) continue;
        if (control.kind == ControlKind::ProgressBar) return true;
        if (control.kind != ControlKind::Button || !control.enabled) continue;
        auto it = m_buttons.find(control.id);
        if (it != m_buttons.end() && it->second.button.HitTest(x, y)) return true;
    }
    return false;
}

bool SkinnedView::PointerMoved(int x, int y) {
    SyncButtons();
    if (m_captured) return m_buttons[m_captured].button.OnMouseMove(x, y);
    int over = ButtonAt(x, y);
    bool changed = false;
    if (m_hover && m_hover != over) changed |= m_buttons[m_hover].button.OnMouseLeave();
    m_hover = over;
    if (over) changed |= m_buttons[over].button.OnMouseMove(x, y);
    return changed;
}

bool SkinnedView::PointerLeft() {
    SyncButtons();
    bool changed = false;
    if (m_hover) changed = m_buttons[m_hover].button.OnMouseLeave();
    m_hover = 0;
    return changed;
}

bool SkinnedView::ButtonDown(int x, int y, bool doubleClick) {
    SyncButtons();
    int target = ButtonAt(x, y);
    bool changed = false;
    if (m_focused && m_focused != target) changed |= m_buttons[m_focused].button.OnKillFocus();
    if (!target) {
        m_focused = 0;
        return changed;
    }
    CxSkinButton& button = m_buttons[target].button;
    changed |= doubleClick ? button.OnLButtonDblClk(x, y) : button.OnLButtonDown(x, y);
    if (button.HasCapture()) m_captured = target;
    m_focused = target;
    if (m_hover == target) m_hover = 0;  // the press ended its hover tracking
    return changed;
}

bool SkinnedView::ButtonUp(int x, int y) {
    SyncButtons();
    if (!m_captured) return false;
    int target = m_captured;
    m_captured = 0;
    bool changed = m_buttons[target].button.OnLButtonUp(x, y);
    // The pointer may rest on the button again: it hovers at the next move.
    return changed;
}

bool SkinnedView::FocusLost() {
    bool changed = false;
    for (auto& [id, entry] : m_buttons) changed |= entry.button.OnKillFocus();
    m_captured = 0;
    m_focused = 0;
    return changed;
}

std::unique_ptr<platform::WindowView> CreateSkinnedView(platform::WindowHandle window) {
    if (!DialogModel::ForWindow(window)) return nullptr;
    return std::make_unique<SkinnedView>(window);
}
