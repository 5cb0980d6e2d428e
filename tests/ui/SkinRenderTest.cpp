// The renderer on exact pixels: the progress bar's fill widths, buttons through their masks,
// labels over the background, the disabled start button, the message box.

#include "RecordingFrontend.h"
#include "res/Resources.h"
#include "ui/CProgressCtrlST.h"
#include "ui/ControlIds.h"
#include "ui/SkinnedView.h"
#include "ui/VXMsgBox.h"

#include <gtest/gtest.h>

namespace {

res::Image Picture(int id) {
    res::Image image;
    EXPECT_TRUE(res::LoadPicture(id, image)) << id;
    return image;
}

// A main dialog laid out as the launcher lays it out (background, labels, bar, buttons).
void BuildMainDialog(DialogModel& model) {
    model.backgroundBitmap = IDB_MAIN_BACKGROUND;
    model.windowRect = {0, 0, 1280, 720};
    UiControl label;
    label.id = IDC_STATIC_VERSION;
    label.rect = {130, 615, 70, 20};
    model.Add(label);
    UiControl bar;
    bar.id = IDC_PROGRESS;
    bar.kind = ControlKind::ProgressBar;
    bar.rect = {126, 635, 832, 12};
    bar.fillBitmap = IDB_PROGRESS_FILL;
    bar.rangeLow = 1;
    bar.position = 1;
    model.Add(bar);
    UiControl start;
    start.id = IDC_BTN_START;
    start.kind = ControlKind::Button;
    start.rect = {1010, 615, 239, 65};
    start.skin = {IDB_START_NORMAL, IDB_START_PRESSED, IDB_START_PRESSED, IDB_START_DISABLED, IDB_START_MASK};
    start.enabled = false;
    model.Add(start);
    UiControl close;
    close.id = IDC_BTN_CLOSE;
    close.kind = ControlKind::Button;
    close.rect = {1230, 20, 40, 40};
    close.skin = {IDB_CLOSE_NORMAL, IDB_CLOSE_PRESSED, IDB_CLOSE_NORMAL, IDB_CLOSE_NORMAL, IDB_CLOSE_MASK};
    model.Add(close);
}

// Counts the pixels of rect where picture (drawn at rect's corner) differs from what the
// mask asks: the picture where the mask is black, the background where it is white.
struct MaskCheck {
    int shown = 0, kept = 0, wrong = 0;
};
MaskCheck CheckMasked(const res::Image& out, const res::Image& background, const UiRect& rect, const res::Image& picture,
                      const res::Image& mask) {
    MaskCheck check;
    for (int y = 0; y < rect.height; ++y) {
        for (int x = 0; x < rect.width; ++x) {
            res::Rgba got = out.Pixel(rect.x + x, rect.y + y);
            res::Rgba m = mask.Pixel(x, y);
            if (res::IsPureWhite(m)) {
                check.kept++;
                if (got != background.Pixel(rect.x + x, rect.y + y)) check.wrong++;
            } else if (m.r == 0 && m.g == 0 && m.b == 0) {
                check.shown++;
                res::Rgba p = picture.Pixel(x, y);
                if (got.r != p.r || got.g != p.g || got.b != p.b) check.wrong++;
            }
        }
    }
    return check;
}

}  // namespace

TEST(SkinRenderTest, ProgressFillWidthsAtTheEndsOfTheRange) {
    // Range 1 to 100 (range 99) on the main dialog's bar: inner width 830.
    const UiRect client{126, 635, 832, 12};
    const UiRect inner{127, 636, 830, 10};
    struct Case {
        int position;
        int percent;
        int width;
    } cases[] = {{1, 2, 16}, {50, 51, 423}, {98, 100, 830}, {99, 101, 829}, {100, 102, 829}};
    res::Image fill = Picture(IDB_PROGRESS_FILL);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.position);
        CProgressCtrlST bar;
        ASSERT_EQ(bar.SetBitmap(fill), 0);
        bar.SetRange(1, 100);
        bar.SetPos(c.position);
        bar.StepIt();  // step 0: the position stays
        EXPECT_EQ(bar.GetPos(), c.position);
        EXPECT_EQ(bar.Percent(), c.percent);
        res::Image out(1280, 720, res::Rgba{1, 2, 3, 255});
        bar.Paint(out, client);
        int wrong = 0;
        for (int y = client.y; y < client.y + client.height; ++y) {
            for (int x = client.x; x < client.x + client.width; ++x) {
                bool filled = x >= inner.x && x < inner.x + c.width && y >= inner.y && y < inner.y + inner.height;
                res::Rgba want = filled ? fill.Pixel((x - inner.x) % fill.Width(), (y - inner.y) % fill.Height())
                                        : kProgressBackground;
                want.a = 255;
                if (out.Pixel(x, y) != want) ++wrong;
            }
        }
        EXPECT_EQ(wrong, 0);
        EXPECT_EQ(out.Pixel(client.x - 1, client.y), (res::Rgba{1, 2, 3, 255}));  // nothing outside the bar
    }
}

TEST(SkinRenderTest, ProgressRangeStepAndBitmapEdgeCases) {
    CProgressCtrlST bar;
    EXPECT_NE(bar.SetBitmap(res::Image()), 0);  // no size: refused, nothing set
    EXPECT_FALSE(bar.HasBitmap());
    bar.SetRange(5, 5);
    EXPECT_EQ(bar.Range(), 1);
    bar.SetRange(0, 10);
    bar.SetStep(4);
    bar.SetPos(-3);
    EXPECT_EQ(bar.GetPos(), 0);
    bar.StepIt();
    bar.StepIt();
    bar.StepIt();
    EXPECT_EQ(bar.GetPos(), 10);  // clamped to upper

    // A vertical bar fills upwards from the inner bottom edge; a full one stops one pixel
    // below the inner top.
    UiRect inner{0, 0, 10, 100};
    EXPECT_EQ(CProgressCtrlST::FilledRect(inner, 30, true), (UiRect{0, 70, 10, 30}));
    EXPECT_EQ(CProgressCtrlST::FilledRect(inner, 101, true), (UiRect{0, 1, 10, 99}));

    // Without a fill picture the bar keeps the plain look (no dark background).
    res::Image out(50, 12, res::Rgba{1, 2, 3, 255});
    bar.Paint(out, {0, 0, 50, 12});
    EXPECT_NE(out.Pixel(25, 6), kProgressBackground);
    EXPECT_NE(out.Pixel(25, 6), (res::Rgba{1, 2, 3, 255}));
}

TEST(SkinRenderTest, ButtonsKeepTheBackgroundUnderWhiteMaskPixels) {
    DialogModel model;
    BuildMainDialog(model);
    res::Image out;
    RenderDialog(model, out);
    ASSERT_EQ(out.Width(), 1280);
    ASSERT_EQ(out.Height(), 720);
    res::Image background = Picture(IDB_MAIN_BACKGROUND);
    MaskCheck close = CheckMasked(out, background, {1230, 20, 40, 40}, Picture(IDB_CLOSE_NORMAL), Picture(IDB_CLOSE_MASK));
    EXPECT_GT(close.kept, 0);   // the mask has white corners
    EXPECT_GT(close.shown, 0);
    EXPECT_EQ(close.wrong, 0);
}

TEST(SkinRenderTest, TheDisabledStartButtonShowsItsDisabledPicture) {
    DialogModel model;
    BuildMainDialog(model);
    res::Image background = Picture(IDB_MAIN_BACKGROUND);
    res::Image mask = Picture(IDB_START_MASK);
    const UiRect rect{1010, 615, 239, 65};
    res::Image out;
    RenderDialog(model, out);
    MaskCheck disabled = CheckMasked(out, background, rect, Picture(IDB_START_DISABLED), mask);
    EXPECT_GT(disabled.shown, 1000);
    EXPECT_EQ(disabled.wrong, 0);

    model.SetEnabled(IDC_BTN_START, true);
    RenderDialog(model, out);
    EXPECT_EQ(CheckMasked(out, background, rect, Picture(IDB_START_NORMAL), mask).wrong, 0);
}

TEST(SkinRenderTest, LabelsDrawWhiteTextAndLeaveTheBackgroundAroundIt) {
    DialogModel model;
    BuildMainDialog(model);
    res::Image bare;
    RenderDialog(model, bare);
    model.SetText(IDC_STATIC_VERSION, u"버전 1.0");
    res::Image out;
    RenderDialog(model, out);

    const UiRect label{130, 615, 70, 20};
    int changed = 0, untouched = 0, outside = 0;
    for (int y = 0; y < 720; ++y) {
        for (int x = 0; x < 1280; ++x) {
            bool inLabel = x >= label.x && x < label.x + label.width && y >= label.y && y < label.y + label.height;
            bool same = out.Pixel(x, y) == bare.Pixel(x, y);
            if (!inLabel) {
                outside += same ? 0 : 1;
            } else if (same) {
                ++untouched;
            } else {
                ++changed;
                // Text is white blended over the background: never darker than it was.
                res::Rgba was = bare.Pixel(x, y), now = out.Pixel(x, y);
                EXPECT_GE(now.r + now.g + now.b, was.r + was.g + was.b);
            }
        }
    }
    EXPECT_EQ(outside, 0);        // nothing drawn outside the label
    EXPECT_GT(changed, 30);       // the text is there
    EXPECT_GT(untouched, 400);    // and the background shows around it
}

TEST(SkinRenderTest, TheMessageBoxShowsItsTextAndTwoButtonsButNotTheCloseButton) {
    struct Case {
        std::u16string text;
        bool textDrawn;
    } cases[] = {{u"\n\n정말로 종료하시겠습니까?", true}, {u"", false}};
    res::Image background = Picture(IDB_MSGBOX_BACKGROUND);
    for (const Case& c : cases) {
        ScopedRecordingFrontend frontend;
        res::Image picture;
        frontend->onBox = [&](platform::WindowHandle box) {
            const DialogModel* model = DialogModel::ForWindow(box);
            ASSERT_NE(model, nullptr);
            RenderDialog(*model, picture);
            platform::PostMessage(box, platform::kMsgCommand, IDC_BOX_CONFIRM, 0);
        };
        EXPECT_EQ(VXMsgBox::Show(c.text, u"", {}), VXMB_CONFIRM);
        ASSERT_EQ(picture.Width(), 542);
        ASSERT_EQ(picture.Height(), 260);

        // Text: only inside the label's 450 x 120 box, and below the two leading line breaks.
        int textPixels = 0, topRows = 0;
        for (int y = 0; y < 199; ++y) {
            for (int x = 0; x < 542; ++x) {
                if (picture.Pixel(x, y) == background.Pixel(x, y)) continue;
                EXPECT_TRUE(x >= 40 && x < 490 && y >= 30 && y < 150) << x << "," << y;
                ++textPixels;
                if (y < 30 + 2 * 25) ++topRows;
            }
        }
        EXPECT_EQ(textPixels > 0, c.textDrawn);
        EXPECT_EQ(topRows, 0);
        EXPECT_EQ(CheckMasked(picture, background, {315, 199, 170, 48}, Picture(IDB_MSGBOX_OK_NORMAL),
                              Picture(IDB_MSGBOX_OK_MASK)).wrong, 0);
        EXPECT_EQ(CheckMasked(picture, background, {53, 199, 170, 48}, Picture(IDB_MSGBOX_CANCEL_NORMAL),
                              Picture(IDB_MSGBOX_CANCEL_MASK)).wrong, 0);
    }
}
