#pragma once
// Resource identifiers of the window's pictures: the main dialog's icon and bitmaps and the
// message box's bitmaps. Each picture is embedded in the program (see Resources.h).

// Main dialog
constexpr int IDR_MAINFRAME = 128;           // window icon, large and small
constexpr int IDB_MAIN_BACKGROUND = 130;     // 1280 x 720; pure white is outside the window
constexpr int IDB_PROGRESS_FILL = 131;       // 836 x 16, tiled over the progress bar's done part

constexpr int IDB_START_DISABLED = 143;      // start button, 239 x 65
constexpr int IDB_START_MASK = 144;
constexpr int IDB_START_NORMAL = 145;
constexpr int IDB_START_PRESSED = 146;       // also its hover picture

constexpr int IDB_CLOSE_MASK = 147;          // close button, 40 x 40
constexpr int IDB_CLOSE_NORMAL = 148;
constexpr int IDB_CLOSE_PRESSED = 149;
constexpr int IDB_MINIMIZE_MASK = 150;       // minimise button, 40 x 40
constexpr int IDB_MINIMIZE_NORMAL = 151;
constexpr int IDB_MINIMIZE_PRESSED = 152;

// The six buttons created at run time: five web links (54 x 54) and the repair command (40 x 40).
constexpr int IDB_SITE_MASK = 153;
constexpr int IDB_SITE_NORMAL = 154;
constexpr int IDB_SITE_PRESSED = 155;
constexpr int IDB_CAFE_MASK = 156;
constexpr int IDB_CAFE_NORMAL = 157;
constexpr int IDB_CAFE_PRESSED = 158;
constexpr int IDB_FACEBOOK_MASK = 159;
constexpr int IDB_FACEBOOK_NORMAL = 160;
constexpr int IDB_FACEBOOK_PRESSED = 161;
constexpr int IDB_REPAIR_MASK = 162;
constexpr int IDB_REPAIR_NORMAL = 163;
constexpr int IDB_REPAIR_PRESSED = 164;
constexpr int IDB_INSTAGRAM_MASK = 165;
constexpr int IDB_INSTAGRAM_NORMAL = 166;
constexpr int IDB_INSTAGRAM_PRESSED = 167;
constexpr int IDB_YOUTUBE_MASK = 168;
constexpr int IDB_YOUTUBE_NORMAL = 169;
constexpr int IDB_YOUTUBE_PRESSED = 170;

// Message box
constexpr int IDB_MSGBOX_BACKGROUND = 132;   // 542 x 260; pure white is outside the box
constexpr int IDB_MSGBOX_CANCEL_NORMAL = 134; // cancel button, 170 x 48
constexpr int IDB_MSGBOX_CLOSE = 136;        // 18 x 18, created and hidden
constexpr int IDB_MSGBOX_OK_NORMAL = 137;    // confirm button, 170 x 48
constexpr int IDB_MSGBOX_CANCEL_MASK = 139;
constexpr int IDB_MSGBOX_CANCEL_PRESSED = 140;
constexpr int IDB_MSGBOX_OK_MASK = 141;
constexpr int IDB_MSGBOX_OK_PRESSED = 142;
