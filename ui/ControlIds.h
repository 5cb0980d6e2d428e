#pragma once
// Control identifiers, command values and dialog results of the main dialog and the
// message box.

#include <cstdint>

// Dialog results.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;

// Main dialog: labels.
constexpr int IDC_STATIC_VERSION = 1011;         // version caption
constexpr int IDC_STATIC_VERSION_VALUE = 1012;   // installed version value
constexpr int IDC_STATIC_LATEST = 1013;          // latest-version caption
constexpr int IDC_STATIC_LATEST_VALUE = 1014;    // latest version value
constexpr int IDC_STATIC_DETAIL = 1015;          // detail caption
constexpr int IDC_STATIC_DETAIL_VALUE = 1016;    // detail value
constexpr int IDC_STATIC_SPEED = 1017;           // speed caption
constexpr int IDC_STATIC_SPEED_VALUE = 1018;     // speed value
constexpr int IDC_STATIC_PROGRESS = 1019;        // progress caption
constexpr int IDC_STATIC_PERCENT = 1020;         // percent value
constexpr int IDC_STATIC_STATUS = 1021;          // status line

// Main dialog: progress bar and the buttons of the template.
constexpr int IDC_PROGRESS = 1002;
constexpr int IDC_BTN_CLOSE = 1007;
constexpr int IDC_BTN_START = 1024;
constexpr int IDC_BTN_MINIMIZE = 1025;

// Main dialog: the buttons created at run time. Their control ids do not fit in 16 bits;
// commands carry the low 16 bits only (500001 arrives as 41249).
constexpr int IDC_BTN_SITE = 500001;
constexpr int IDC_BTN_FACEBOOK = 500002;
constexpr int IDC_BTN_CAFE = 500003;
constexpr int IDC_BTN_REPAIR = 500004;
constexpr int IDC_BTN_YOUTUBE = 500005;
constexpr int IDC_BTN_INSTAGRAM = 500006;

// The command value a control's notification carries.
constexpr uint16_t CommandOf(int controlId) { return static_cast<uint16_t>(controlId & 0xFFFF); }

constexpr uint16_t ID_CMD_SITE = CommandOf(IDC_BTN_SITE);            // 41249
constexpr uint16_t ID_CMD_FACEBOOK = CommandOf(IDC_BTN_FACEBOOK);    // 41250
constexpr uint16_t ID_CMD_CAFE = CommandOf(IDC_BTN_CAFE);            // 41251
constexpr uint16_t ID_CMD_REPAIR = CommandOf(IDC_BTN_REPAIR);        // 41252
constexpr uint16_t ID_CMD_YOUTUBE = CommandOf(IDC_BTN_YOUTUBE);      // 41253
constexpr uint16_t ID_CMD_INSTAGRAM = CommandOf(IDC_BTN_INSTAGRAM);  // 41254

// The remaining-time timer of the main dialog.
constexpr uint64_t IDT_REMAINING_TIME = 512521;

// Message box.
constexpr int IDC_BOX_CONFIRM = 1005;
constexpr int IDC_BOX_CANCEL = 1006;
constexpr int IDC_BOX_CLOSE = 1007;    // created, then hidden
constexpr int IDC_BOX_TEXT = 1008;
constexpr int IDC_BOX_CAPTION = 1010;  // no size; never visible
