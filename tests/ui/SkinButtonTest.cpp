// The skinned button's behaviour: skins and their defaults, the mask's shape, the hover,
// press, capture and click rules; and the view that routes a window's pointer input.

#include "RecordingFrontend.h"
#include "res/Resources.h"
#include "ui/ControlIds.h"
#include "ui/CxSkinButton.h"
#include "ui/SkinnedView.h"

#include <gtest/gtest.h>

namespace {

res::Image Picture(int id) {
    res::Image image;
    EXPECT_TRUE(res::LoadPicture(id, image)) << id;
    return image;
}

// A close button at 100, 100 that counts its clicks.
struct CloseButton {
    CxSkinButton button;
    int clicks = 0;
    CloseButton(int hover, int disabled) {
        button.SetSkin(IDB_CLOSE_NORMAL, IDB_CLOSE_PRESSED, hover, disabled, IDB_CLOSE_MASK);
        button.MoveWindow({100, 100, 40, 40});
        button.SetClickHandler([this] { ++clicks; });
    }
};

// A pixel of the mask (button coordinates) that is white, and one that is black.
void MaskPoints(int maskId, int& wx, int& wy, int& bx, int& by) {
    res::Image mask = Picture(maskId);
    wx = wy = bx = by = -1;
    for (int y = 0; y < mask.Height(); ++y) {
        for (int x = 0; x < mask.Width(); ++x) {
            if (res::IsPureWhite(mask.Pixel(x, y)) && wx < 0) wx = x, wy = y;
            if (mask.Pixel(x, y) == res::Rgba{0, 0, 0, 255} && bx < 0) bx = x, by = y;
        }
    }
}

}  // namespace

TEST(SkinButtonTest, SkinDefaultsWithoutHoverOrDisabledPicturesShowTheNormalOne) {
    res::Image normal = Picture(IDB_CLOSE_NORMAL);
    CloseButton plain(0, 0);
    plain.button.OnMouseMove(120, 120);
    ASSERT_TRUE(plain.button.IsHovering());
    ASSERT_NE(plain.button.CurrentBitmap(), nullptr);
    EXPECT_EQ(*plain.button.CurrentBitmap(), normal);
    plain.button.EnableWindow(false);
    EXPECT_EQ(*plain.button.CurrentBitmap(), normal);

    CloseButton hovered(IDB_CLOSE_PRESSED, IDB_MINIMIZE_NORMAL);
    hovered.button.OnMouseMove(120, 120);
    EXPECT_EQ(*hovered.button.CurrentBitmap(), Picture(IDB_CLOSE_PRESSED));
    hovered.button.OnMouseLeave();
    EXPECT_EQ(*hovered.button.CurrentBitmap(), normal);
    hovered.button.EnableWindow(false);
    EXPECT_EQ(*hovered.button.CurrentBitmap(), Picture(IDB_MINIMIZE_NORMAL));

    // A missing picture leaves the button-face colour.
    CxSkinButton missing;
    missing.SetSkin(9999, 9999, 0, 0, 0);
    missing.MoveWindow({0, 0, 4, 4});
    res::Image out(4, 4, res::Rgba{});
    missing.DrawItem(out);
    EXPECT_EQ(out.Pixel(2, 2), kButtonFaceColour);
}

TEST(SkinButtonTest, TheMaskDecidesWhereTheButtonIsHit) {
    int wx, wy, bx, by;
    MaskPoints(IDB_CLOSE_MASK, wx, wy, bx, by);
    ASSERT_GE(wx, 0);
    ASSERT_GE(bx, 0);
    CloseButton close(0, 0);
    EXPECT_FALSE(close.button.HitTest(100 + wx, 100 + wy));
    EXPECT_TRUE(close.button.HitTest(100 + bx, 100 + by));
    EXPECT_FALSE(close.button.HitTest(99, 120));
    EXPECT_FALSE(close.button.HitTest(140, 120));
}

TEST(SkinButtonTest, PressMoveOffAndReleaseSendsNoClick) {
    CloseButton close(0, 0);
    close.button.OnLButtonDown(120, 120);
    EXPECT_TRUE(close.button.IsPressed());
    EXPECT_TRUE(close.button.HasCapture());
    EXPECT_TRUE(close.button.OnMouseMove(300, 300));  // off: shown released at once
    EXPECT_FALSE(close.button.IsPressed());
    EXPECT_FALSE(close.button.OnMouseMove(301, 300));  // no change, no repaint
    close.button.OnLButtonUp(300, 300);
    EXPECT_EQ(close.clicks, 0);
    EXPECT_FALSE(close.button.HasCapture());

    // Back over the button before the release: a click.
    close.button.OnLButtonDown(120, 120);
    close.button.OnMouseMove(300, 300);
    close.button.OnMouseMove(121, 121);
    EXPECT_TRUE(close.button.IsPressed());
    close.button.OnLButtonUp(121, 121);
    EXPECT_EQ(close.clicks, 1);
}

TEST(SkinButtonTest, ADoubleClickIsTwoClicksAndLosingFocusAbandonsAPress) {
    CloseButton close(0, 0);
    close.button.OnLButtonDown(120, 120);
    close.button.OnLButtonUp(120, 120);
    close.button.OnLButtonDblClk(120, 120);
    close.button.OnLButtonUp(120, 120);
    EXPECT_EQ(close.clicks, 2);

    close.button.OnLButtonDown(120, 120);
    close.button.OnKillFocus();
    EXPECT_FALSE(close.button.HasCapture());
    EXPECT_FALSE(close.button.IsButtonDown());
    close.button.OnLButtonUp(120, 120);
    EXPECT_EQ(close.clicks, 2);

    close.button.EnableWindow(false);
    close.button.OnLButtonDown(120, 120);
    close.button.OnLButtonUp(120, 120);
    EXPECT_EQ(close.clicks, 2);
}

TEST(SkinButtonTest, TheViewRoutesPointerInputAndPostsTheCommand) {
    // The view of a live window: presses on a masked-out corner drag, presses inside click.
    std::vector<uint64_t> commands;
    platform::WindowHandle window = platform::CreateWindow("SkinViewTest", [&](platform::WindowHandle, uint32_t msg,
                                                                               platform::WParam wp, platform::LParam) {
        if (msg == platform::kMsgCommand) commands.push_back(wp);
        return platform::LResult{0};
    });
    DialogModel model;
    model.backgroundBitmap = IDB_MAIN_BACKGROUND;
    model.windowRect = {0, 0, 1280, 720};
    UiControl button;
    button.id = IDC_BTN_SITE;
    button.kind = ControlKind::Button;
    button.rect = {1190, 152, 54, 54};
    button.skin = {IDB_SITE_NORMAL, IDB_SITE_PRESSED, IDB_SITE_NORMAL, IDB_SITE_NORMAL, IDB_SITE_MASK};
    model.Add(button);
    UiControl label;
    label.id = IDC_STATIC_STATUS;
    label.rect = {130, 655, 500, 20};
    model.Add(label);
    model.Bind(window);

    auto view = CreateSkinnedView(window);
    ASSERT_NE(view, nullptr);
    int wx, wy, bx, by;
    MaskPoints(IDB_SITE_MASK, wx, wy, bx, by);
    EXPECT_FALSE(view->IsControlAt(1190 + wx, 152 + wy));
    EXPECT_TRUE(view->IsControlAt(1190 + bx, 152 + by));
    EXPECT_FALSE(view->IsControlAt(200, 660));  // labels let presses through

    view->ButtonDown(1190 + wx, 152 + wy, false);
    view->ButtonUp(1190 + wx, 152 + wy);
    view->PointerMoved(1217, 179);
    EXPECT_TRUE(view->ButtonDown(1217, 179, false));
    EXPECT_TRUE(static_cast<SkinnedView&>(*view).Button(IDC_BTN_SITE)->IsPressed());
    view->ButtonUp(1217, 179);
    platform::PumpMessages();
    EXPECT_EQ(commands, std::vector<uint64_t>{41249});  // the low 16 bits of 500001

    // The window's shape leaves out exactly the background's white pixels.
    res::Image background = Picture(IDB_MAIN_BACKGROUND);
    size_t inside = 0;
    for (const platform::ViewRect& r : view->Shape()) {
        for (int x = r.x; x < r.x + r.width; ++x) EXPECT_FALSE(res::IsPureWhite(background.Pixel(x, r.y)));
        inside += static_cast<size_t>(r.width);
    }
    size_t notWhite = 0;
    for (int y = 0; y < 720; ++y)
        for (int x = 0; x < 1280; ++x) notWhite += res::IsPureWhite(background.Pixel(x, y)) ? 0 : 1;
    EXPECT_EQ(inside, notWhite);
    EXPECT_LT(notWhite, size_t{1280} * 720);  // something is cut out

    model.Bind({});
    platform::DestroyWindow(window);
}
