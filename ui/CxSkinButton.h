#pragma once
// A push button drawn entirely from pictures (normal, pressed, hover, disabled) whose shape
// is cut from a mask picture: white mask pixels are outside the button, show what lies
// behind it and take no pointer input. The button keeps its own pointer state (hovering,
// pressed, captured) and reports a click through its click handler.
//
// Coordinates are the parent window's client pixels. User-interface thread only.

#include "res/Image.h"
#include "ui/DialogModel.h"
#include "ui/ShapeRegion.h"

#include <functional>

// The colour a button shows where its picture is missing.
inline constexpr res::Rgba kButtonFaceColour{240, 240, 240, 255};

class CxSkinButton {
public:
    // How a picture fills the button.
    enum DrawMode { kDrawNormal = 0, kDrawStretch = 1, kDrawTile = 2 };

    CxSkinButton() = default;

    // Loads the skin from the program's pictures, releasing an earlier one: normal and
    // pressed; hover only when its id is not 0; disabled, or normal again when its id is 0;
    // draw mode stretch, no border, no focus margin; with a mask id, the mask and the shape
    // cut from it. The button keeps its size (the caller sizes it).
    void SetSkin(int normal, int pressed, int hover, int disabled, int mask);
    // The skin from the same ids as above.
    void SetSkin(const ButtonSkin& skin) { SetSkin(skin.normal, skin.pressed, skin.hover, skin.disabled, skin.mask); }

    void MoveWindow(const UiRect& rect) { m_rect = rect; }
    const UiRect& Rect() const { return m_rect; }
    // A disabled button shows its disabled picture and takes no input; disabling
    // abandons a press in progress.
    void EnableWindow(bool enabled);
    bool IsWindowEnabled() const { return m_enabled; }
    void ShowWindow(bool visible) { m_visible = visible; }
    bool IsWindowVisible() const { return m_visible; }
    // Called with no arguments when the button is clicked (released over itself).
    void SetClickHandler(std::function<void()> onClick) { m_onClick = std::move(onClick); }

    // True when x, y lies on the button: inside its rectangle and its shape (the whole
    // rectangle when it has no mask).
    bool HitTest(int x, int y) const;

    // Pointer events. Each returns true when the button's look changed.
    // The pointer moved over the button (or anywhere while the button holds the capture).
    bool OnMouseMove(int x, int y);
    // The pointer left the button.
    bool OnMouseLeave();
    // The left button went down over the button: it takes the capture and shows pressed.
    bool OnLButtonDown(int x, int y);
    // The left button came up: the capture ends; released over the button it clicks.
    bool OnLButtonUp(int x, int y);
    // A double-click counts as a second press, so two quick clicks are two clicks.
    bool OnLButtonDblClk(int x, int y) { return OnLButtonDown(x, y); }
    // The button lost the focus: a capture is released without a click.
    bool OnKillFocus();

    bool IsPressed() const { return m_pressed; }
    bool IsHovering() const { return m_hovering; }
    bool IsButtonDown() const { return m_buttonDown; }
    bool HasCapture() const { return m_capture; }
    bool HasFocus() const { return m_focus; }
    const ShapeRegion& Shape() const { return m_shape; }

    // The picture the button shows in its present state; nullptr when that picture is missing.
    const res::Image* CurrentBitmap() const;
    // Draws the button over target (which holds what lies under it) at its rectangle: the
    // current picture stretched to the button, kept only where the mask is not white.
    void DrawItem(res::Image& target) const;

private:
    res::Image m_normal, m_pressedBitmap, m_hover, m_disabled, m_focusBitmap, m_mask;
    ShapeRegion m_shape;
    DrawMode m_drawMode = kDrawStretch;
    bool m_border = false;
    int m_focusMargin = 0;

    UiRect m_rect;
    bool m_enabled = true;
    bool m_visible = true;
    bool m_hovering = false;
    bool m_buttonDown = false;
    bool m_pressed = false;   // shown pressed
    bool m_capture = false;   // holds the pointer capture
    bool m_focus = false;
    std::function<void()> m_onClick;
};
