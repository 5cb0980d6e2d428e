#include "ui/SkinnedLook.h"

#include "app/Log.h"
#include "platform/Files.h"
#include "platform/WindowView.h"
#include "ui/SkinnedView.h"
#include "ui/UiFrontend.h"

#include <cstdlib>

namespace {
constexpr const char* kSourceFile = "ui\\SkinnedLook.cpp";
}  // namespace

void InstallSkinnedLook() {
    platform::SetWindowViewFactory(CreateSkinnedView);
    const char* snapshot = std::getenv(kSnapshotVariable);
    if (snapshot && *snapshot) {
        std::string path = snapshot;
        SetDialogEndHook([path](const DialogModel& model) { WriteDialogSnapshot(model, path); });
    }
}

bool WriteDialogSnapshot(const DialogModel& model, const std::string& path) {
    res::Image picture;
    RenderDialog(model, picture);
    std::string png;
    if (!res::EncodePng(picture, png)) {
        WriteLog("FILE=%s,LINE=%d ,snapshot encode Error, path =%s  ", kSourceFile, __LINE__, path.c_str());
        return false;
    }
    if (!platform::WriteWholeFile(path, png)) {
        WriteLog("FILE=%s,LINE=%d ,snapshot write Error, path =%s  ", kSourceFile, __LINE__, path.c_str());
        return false;
    }
    return true;
}
