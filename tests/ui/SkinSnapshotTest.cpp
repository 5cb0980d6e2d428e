// DAVURERUVO_SNAPSHOT: the main dialog's picture written as PNG when the dialog ends.

#include "RecordingFrontend.h"

#include "platform/Files.h"
#include "platform/WindowView.h"
#include "res/Resources.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"
#include "ui/CDAVureruvoDlg.h"
#include "ui/CProgressCtrlST.h"
#include "ui/SkinnedLook.h"

#include <gtest/gtest.h>

TEST(SkinSnapshotTest, TheEndingDialogWritesItsPicture) {
    testsupport::TempDir dir;
    testsupport::ScopedCurrentDir here(dir.Path());  // the launcher's log goes there
    std::string path = dir / "snap.png";
    {
        testsupport::ScopedEnv snapshot(kSnapshotVariable, path.c_str());
        InstallSkinnedLook();
    }
    {
        ScopedRecordingFrontend frontend;
        frontend->onOpened = [](platform::WindowHandle, platform::DialogHooks& hooks) { hooks.end(); };
        CDAVureruvoDlg dlg;
        dlg.DoModal();
    }
    SetDialogEndHook({});
    platform::SetWindowViewFactory({});

    std::string png;
    ASSERT_TRUE(platform::ReadWholeFile(path, png));
    res::Image picture, background, disabled, fill;
    ASSERT_TRUE(res::DecodePng(std::span(reinterpret_cast<const unsigned char*>(png.data()), png.size()), picture));
    ASSERT_TRUE(res::LoadPicture(IDB_MAIN_BACKGROUND, background));
    ASSERT_TRUE(res::LoadPicture(IDB_START_DISABLED, disabled));
    ASSERT_TRUE(res::LoadPicture(IDB_PROGRESS_FILL, fill));
    ASSERT_EQ(picture.Width(), 1280);
    ASSERT_EQ(picture.Height(), 720);
    EXPECT_EQ(picture.Pixel(640, 300), background.Pixel(640, 300));
    EXPECT_EQ(picture.Pixel(1010 + 120, 615 + 32), disabled.Pixel(120, 32));
    // Position 1 of 1..100: 2 % of the 830 inner pixels.
    res::Rgba lastFilled = fill.Pixel(15, 4);
    EXPECT_EQ(picture.Pixel(127 + 15, 640), (res::Rgba{lastFilled.r, lastFilled.g, lastFilled.b, 255}));
    EXPECT_EQ(picture.Pixel(127 + 16, 640), kProgressBackground);
}

TEST(SkinSnapshotTest, AnUnwritablePathIsReportedAsFailure) {
    testsupport::TempDir dir;
    testsupport::ScopedCurrentDir here(dir.Path());
    DialogModel model;
    model.backgroundBitmap = IDB_MAIN_BACKGROUND;
    model.windowRect = {0, 0, 1280, 720};
    EXPECT_FALSE(WriteDialogSnapshot(model, dir / "missing/dir/snap.png"));
    std::string log;
    ASSERT_TRUE(platform::ReadWholeFile("Launch.log", log));
    EXPECT_NE(log.find("FILE=ui\\SkinnedLook.cpp,LINE="), std::string::npos);
    EXPECT_NE(log.find("snap.png"), std::string::npos);
    EXPECT_TRUE(WriteDialogSnapshot(model, dir / "snap.png"));
}
