#include "res/Resources.h"

#include <array>
#include <string>

#include "res/EmbeddedFiles.h"

namespace res {
namespace {

struct Entry {
    int id;
    const char* name;
    int width;
    int height;
};

// The pictures and the sizes the window's layout relies on.
constexpr Entry kEntries[] = {
    {IDR_MAINFRAME, "app_icon", 64, 64},
    {IDB_MAIN_BACKGROUND, "main_background", 1280, 720},
    {IDB_PROGRESS_FILL, "progress_fill", 836, 16},
    {IDB_MSGBOX_BACKGROUND, "msgbox_background", 542, 260},
    {IDB_MSGBOX_CANCEL_NORMAL, "msgbox_cancel_normal", 170, 48},
    {IDB_MSGBOX_CLOSE, "msgbox_close", 18, 18},
    {IDB_MSGBOX_OK_NORMAL, "msgbox_confirm_normal", 170, 48},
    {IDB_MSGBOX_CANCEL_MASK, "msgbox_cancel_mask", 170, 48},
    {IDB_MSGBOX_CANCEL_PRESSED, "msgbox_cancel_pressed", 170, 48},
    {IDB_MSGBOX_OK_MASK, "msgbox_confirm_mask", 170, 48},
    {IDB_MSGBOX_OK_PRESSED, "msgbox_confirm_pressed", 170, 48},
    {IDB_START_DISABLED, "start_disabled", 239, 65},
    {IDB_START_MASK, "start_mask", 239, 65},
    {IDB_START_NORMAL, "start_normal", 239, 65},
    {IDB_START_PRESSED, "start_pressed", 239, 65},
    {IDB_CLOSE_MASK, "close_mask", 40, 40},
    {IDB_CLOSE_NORMAL, "close_normal", 40, 40},
    {IDB_CLOSE_PRESSED, "close_pressed", 40, 40},
    {IDB_MINIMIZE_MASK, "minimize_mask", 40, 40},
    {IDB_MINIMIZE_NORMAL, "minimize_normal", 40, 40},
    {IDB_MINIMIZE_PRESSED, "minimize_pressed", 40, 40},
    {IDB_SITE_MASK, "site_mask", 54, 54},
    {IDB_SITE_NORMAL, "site_normal", 54, 54},
    {IDB_SITE_PRESSED, "site_pressed", 54, 54},
    {IDB_CAFE_MASK, "cafe_mask", 54, 54},
    {IDB_CAFE_NORMAL, "cafe_normal", 54, 54},
    {IDB_CAFE_PRESSED, "cafe_pressed", 54, 54},
    {IDB_FACEBOOK_MASK, "facebook_mask", 54, 54},
    {IDB_FACEBOOK_NORMAL, "facebook_normal", 54, 54},
    {IDB_FACEBOOK_PRESSED, "facebook_pressed", 54, 54},
    {IDB_REPAIR_MASK, "repair_mask", 40, 40},
    {IDB_REPAIR_NORMAL, "repair_normal", 40, 40},
    {IDB_REPAIR_PRESSED, "repair_pressed", 40, 40},
    {IDB_INSTAGRAM_MASK, "instagram_mask", 54, 54},
    {IDB_INSTAGRAM_NORMAL, "instagram_normal", 54, 54},
    {IDB_INSTAGRAM_PRESSED, "instagram_pressed", 54, 54},
    {IDB_YOUTUBE_MASK, "youtube_mask", 54, 54},
    {IDB_YOUTUBE_NORMAL, "youtube_normal", 54, 54},
    {IDB_YOUTUBE_PRESSED, "youtube_pressed", 54, 54},
};

constexpr size_t kCount = sizeof(kEntries) / sizeof(kEntries[0]);

// Joins the table with the embedded file "<id>_<name>.png" of each entry.
std::array<Picture, kCount> BuildPictures() {
    std::array<Picture, kCount> pictures{};
    for (size_t i = 0; i < kCount; ++i) {
        const Entry& e = kEntries[i];
        pictures[i] = Picture{e.id, e.name, e.width, e.height, {}};
        const std::string fileName = std::to_string(e.id) + "_" + e.name + ".png";
        for (const EmbeddedFile& f : EmbeddedFiles()) {
            if (f.id == e.id && fileName == f.fileName) {
                pictures[i].png = std::span<const unsigned char>(f.data, f.size);
                break;
            }
        }
    }
    return pictures;
}

}  // namespace

std::span<const Picture> AllPictures() {
    static const std::array<Picture, kCount> pictures = BuildPictures();
    return pictures;
}

const Picture* FindPicture(int id) {
    for (const Picture& p : AllPictures()) {
        if (p.id == id) {
            return &p;
        }
    }
    return nullptr;
}

bool LoadPicture(int id, Image& out) {
    const Picture* picture = FindPicture(id);
    if (picture == nullptr) {
        out = Image();
        return false;
    }
    return DecodePng(picture->png, out);
}

}  // namespace res
