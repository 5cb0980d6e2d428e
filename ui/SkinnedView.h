#pragma once
// The skinned look of a dialog (the main dialog or a message box): composes its model into a
// picture, and plays its buttons for a window backend. One renderer serves every backend:
// the window shows what Render composes and a snapshot writes the same picture.

#include "platform/WindowView.h"
#include "res/Image.h"
#include "ui/CxSkinButton.h"
#include "ui/DialogModel.h"
#include "ui/ShapeRegion.h"

#include <map>

// Composes model as the user sees it with every button in its resting state: the
// background at 0, 0 at its own size, the labels' text in white over it, the progress bar,
// the buttons through their masks. out gets the window's size.
void RenderDialog(const DialogModel& model, res::Image& out);

// The view of the dialog bound to a window (DialogModel::ForWindow). Its buttons keep the
// pointer state (hover, pressed); a click posts the button's command to the window.
class SkinnedView : public platform::WindowView {
public:
    explicit SkinnedView(platform::WindowHandle window);

    platform::ViewRect Placement() const override;
    std::string Title() const override;
    bool Icon(res::Image& out) const override;
    void Render(res::Image& out) override;
    std::vector<platform::ViewRect> Shape() const override;
    bool IsControlAt(int x, int y) const override;
    bool PointerMoved(int x, int y) override;
    bool PointerLeft() override;
    bool ButtonDown(int x, int y, bool doubleClick) override;
    bool ButtonUp(int x, int y) override;
    bool FocusLost() override;

    // The button of control id as the view keeps it (nullptr when the dialog has none).
    const CxSkinButton* Button(int id);

private:
    const DialogModel* Model() const { return DialogModel::ForWindow(m_window); }
    // Brings the buttons in line with the model (skin, place, enabled, shown).
    void SyncButtons() const;
    // The id of the enabled, visible button at x, y; 0 when none.
    int ButtonAt(int x, int y);

    struct ButtonEntry {
        ButtonSkin skin;
        CxSkinButton button;
    };
    platform::WindowHandle m_window;
    // Kept in line with the model on every use, also from the const hit test.
    mutable std::map<int, ButtonEntry> m_buttons;
    mutable int m_hover = 0;     // the button the pointer is over
    mutable int m_captured = 0;  // the button holding the capture
    int m_focused = 0;   // the button with the focus
};

// The factory the window backends use: a SkinnedView for every window bound to a model.
std::unique_ptr<platform::WindowView> CreateSkinnedView(platform::WindowHandle window);
