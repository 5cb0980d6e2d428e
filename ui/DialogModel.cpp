#include "ui/DialogModel.h"

#include <algorithm>
#include <map>
#include <mutex>

namespace {
// Live models by window. Boxes without an owner may run on other threads, hence the lock.
std::mutex g_boundMutex;
std::map<uint64_t, const DialogModel*>& Bound() {
    static std::map<uint64_t, const DialogModel*> bound;
    return bound;
}
}  // namespace

DialogModel::~DialogModel() { Bind({}); }

UiControl& DialogModel::Add(const UiControl& control) {
    if (UiControl* existing = Find(control.id)) {
        *existing = control;
        return *existing;
    }
    m_controls.push_back(control);
    return m_controls.back();
}

UiControl* DialogModel::Find(int id) {
    auto it = std::find_if(m_controls.begin(), m_controls.end(), [id](const UiControl& c) { return c.id == id; });
    return it == m_controls.end() ? nullptr : &*it;
}

const UiControl* DialogModel::Find(int id) const { return const_cast<DialogModel*>(this)->Find(id); }

void DialogModel::Appearance() {
    if (m_observer) m_observer->OnAppearanceChanged();
}

void DialogModel::SetText(int id, std::u16string_view text) {
    UiControl* c = Find(id);
    if (!c || c->text == text) return;
    c->text = std::u16string(text);
    if (m_observer) m_observer->OnTextChanged(*c);
    Appearance();
}

std::u16string DialogModel::GetText(int id) const {
    const UiControl* c = Find(id);
    return c ? c->text : std::u16string();
}

void DialogModel::SetEnabled(int id, bool enabled) {
    UiControl* c = Find(id);
    if (!c || c->enabled == enabled) return;
    c->enabled = enabled;
    if (m_observer) m_observer->OnEnabledChanged(*c);
    Appearance();
}

void DialogModel::SetVisible(int id, bool visible) {
    UiControl* c = Find(id);
    if (!c || c->visible == visible) return;
    c->visible = visible;
    Appearance();
}

void DialogModel::Move(int id, const UiRect& rect) {
    UiControl* c = Find(id);
    if (!c || c->rect == rect) return;
    c->rect = rect;
    Appearance();
}

void DialogModel::SetSkin(int id, const ButtonSkin& skin) {
    UiControl* c = Find(id);
    if (!c || c->skin == skin) return;
    c->skin = skin;
    Appearance();
}

void DialogModel::SetCentred(int id, bool centred) {
    UiControl* c = Find(id);
    if (!c || c->centred == centred) return;
    c->centred = centred;
    Appearance();
}

void DialogModel::SetRange(int id, int low, int high) {
    UiControl* c = Find(id);
    if (!c) return;
    c->rangeLow = low;
    c->rangeHigh = std::max(low, high);
    Appearance();
}

void DialogModel::SetPosition(int id, int position) {
    UiControl* c = Find(id);
    if (!c) return;
    position = std::clamp(position, c->rangeLow, c->rangeHigh);
    if (c->position == position) return;
    c->position = position;
    if (m_observer) m_observer->OnPositionChanged(*c);
    Appearance();
}

void DialogModel::SetFillBitmap(int id, int bitmap) {
    UiControl* c = Find(id);
    if (!c || c->fillBitmap == bitmap) return;
    c->fillBitmap = bitmap;
    Appearance();
}

void DialogModel::Bind(platform::WindowHandle window) {
    std::lock_guard lock(g_boundMutex);
    if (m_window) Bound().erase(m_window.id);
    m_window = window;
    if (m_window) Bound()[m_window.id] = this;
}

const DialogModel* DialogModel::ForWindow(platform::WindowHandle window) {
    std::lock_guard lock(g_boundMutex);
    auto it = Bound().find(window.id);
    return it == Bound().end() ? nullptr : it->second;
}
