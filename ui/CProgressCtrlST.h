#pragma once
// A progress bar that fills its done part by tiling a picture over a dark background; without
// a picture it looks like a plain progress bar. It owns its fill picture. User-interface
// thread only.

#include "res/Image.h"
#include "ui/DialogModel.h"

#include <string>

// The background of the bar under and beside the done part: RGB(62, 60, 58).
inline constexpr res::Rgba kProgressBackground{62, 60, 58, 255};

class CProgressCtrlST {
public:
    CProgressCtrlST() = default;
    virtual ~CProgressCtrlST() = default;

    // Takes the fill picture (replacing and releasing an earlier one) and reads its size.
    // An empty picture (no size) is released too and the call returns non-zero with no
    // fill set; 0 on success.
    int SetBitmap(res::Image bitmap);
    bool HasBitmap() const { return !m_bitmap.Empty(); }
    int FillWidth() const { return m_fillWidth; }
    int FillHeight() const { return m_fillHeight; }

    // Stores the range; range = |upper - lower|, 1 when that is 0.
    void SetRange(int lower, int upper);
    int Lower() const { return m_lower; }
    int Upper() const { return m_upper; }
    int Range() const { return m_range; }
    // Clamps p to lower..upper and stores it; returns the previous position.
    int SetPos(int p);
    int GetPos() const { return m_position; }
    // The step operation's increment; returns the previous one.
    int SetStep(int step);
    // Adds the step to the position, clamped to upper; returns the previous position.
    int StepIt();
    // Optional text drawn centred over the bar (UTF-8; empty: none).
    void SetText(std::string text) { m_text = std::move(text); }
    const std::string& Text() const { return m_text; }
    // Window styles: a one-pixel black frame, and a bar that fills upwards.
    void SetBorder(bool border) { m_border = border; }
    void SetVertical(bool vertical) { m_vertical = vertical; }

    // The percent the position fills: (|lower| + position) * (100 / range), truncated.
    int Percent() const;
    // The done part of inner (the client rectangle less its frame) at percent: it starts
    // at the inner left (vertical: bottom) edge; a part that would overrun the far edge
    // stops one pixel short of it.
    static UiRect FilledRect(const UiRect& inner, int percent, bool vertical);

    // Paints the bar into target over client (the control's rectangle in target).
    void Paint(res::Image& target, const UiRect& client);

protected:
    // Called at the end of every painting with a fill picture; does nothing here.
    virtual void OnDrawText(res::Image& target, int percent, const UiRect& client, const UiRect& filled, bool vertical);

private:
    void PaintPlain(res::Image& target, const UiRect& client) const;

    int m_lower = 0;
    int m_upper = 100;
    int m_range = 100;
    int m_step = 0;
    int m_position = 0;
    res::Image m_bitmap;
    int m_fillWidth = 0;
    int m_fillHeight = 0;
    std::string m_text;
    bool m_border = false;
    bool m_vertical = false;
};
