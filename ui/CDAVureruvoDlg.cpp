#include "ui/CDAVureruvoDlg.h"

#include "platform/Process.h"
#include "platform/ProcessInfo.h"
#include "platform/Text.h"
#include "res/Resources.h"
#include "ui/ControlIds.h"
#include "ui/UiFrontend.h"
#include "ui/VXMsgBox.h"
#include "ui/WebLinks.h"

using platform::LParam;
using platform::LResult;
using platform::WParam;

namespace {

constexpr int kDialogWidth = 1280;
constexpr int kDialogHeight = 720;

// The labels and the progress bar with their places (client pixels).
struct PlacedControl {
    int id;
    ControlKind kind;
    UiRect rect;
};
constexpr PlacedControl kPlacedControls[] = {
    {IDC_STATIC_VERSION, ControlKind::Label, {130, 615, 70, 20}},
    {IDC_STATIC_VERSION_VALUE, ControlKind::Label, {230, 615, 170, 20}},
    {IDC_STATIC_LATEST, ControlKind::Label, {720, 615, 90, 20}},
    {IDC_STATIC_LATEST_VALUE, ControlKind::Label, {830, 615, 90, 20}},
    {IDC_PROGRESS, ControlKind::ProgressBar, {126, 635, 832, 12}},
    {IDC_STATIC_STATUS, ControlKind::Label, {130, 655, 500, 20}},
    {IDC_STATIC_PROGRESS, ControlKind::Label, {720, 655, 90, 20}},
    {IDC_STATIC_PERCENT, ControlKind::Label, {830, 655, 150, 20}},
    {IDC_STATIC_DETAIL, ControlKind::Label, {130, 680, 90, 20}},
    {IDC_STATIC_DETAIL_VALUE, ControlKind::Label, {230, 680, 170, 30}},
    {IDC_STATIC_SPEED, ControlKind::Label, {720, 680, 90, 20}},
    {IDC_STATIC_SPEED_VALUE, ControlKind::Label, {830, 680, 70, 20}},
};

// The buttons created at run time, in their order of creation: place and skin (normal,
// pressed, hover, disabled, mask); each takes the size of its normal bitmap.
struct RuntimeButton {
    int id;
    int x, y;
    ButtonSkin skin;
};
constexpr RuntimeButton kRuntimeButtons[] = {
    {IDC_BTN_SITE, 1190, 152, {IDB_SITE_NORMAL, IDB_SITE_PRESSED, IDB_SITE_NORMAL, IDB_SITE_NORMAL, IDB_SITE_MASK}},
    {IDC_BTN_FACEBOOK, 1190, 380,
     {IDB_FACEBOOK_NORMAL, IDB_FACEBOOK_PRESSED, IDB_FACEBOOK_NORMAL, IDB_FACEBOOK_NORMAL, IDB_FACEBOOK_MASK}},
    {IDC_BTN_CAFE, 1190, 230, {IDB_CAFE_NORMAL, IDB_CAFE_PRESSED, IDB_CAFE_NORMAL, IDB_CAFE_NORMAL, IDB_CAFE_MASK}},
    {IDC_BTN_REPAIR, 1130, 20,
     {IDB_REPAIR_NORMAL, IDB_REPAIR_PRESSED, IDB_REPAIR_NORMAL, IDB_REPAIR_NORMAL, IDB_REPAIR_MASK}},
    {IDC_BTN_YOUTUBE, 1190, 305,
     {IDB_YOUTUBE_NORMAL, IDB_YOUTUBE_PRESSED, IDB_YOUTUBE_NORMAL, IDB_YOUTUBE_NORMAL, IDB_YOUTUBE_MASK}},
    {IDC_BTN_INSTAGRAM, 1190, 455,
     {IDB_INSTAGRAM_NORMAL, IDB_INSTAGRAM_PRESSED, IDB_INSTAGRAM_NORMAL, IDB_INSTAGRAM_NORMAL, IDB_INSTAGRAM_MASK}},
};

// The size a bitmap gives a control (0 x 0 when the bitmap is missing).
UiRect SizedAt(int x, int y, int bitmap) {
    const res::Picture* picture = res::FindPicture(bitmap);
    return UiRect{x, y, picture ? picture->width : 0, picture ? picture->height : 0};
}

bool IsMainDialogLabel(int id) { return id >= IDC_STATIC_VERSION && id <= IDC_STATIC_STATUS; }

constexpr char16_t kCloseQuestion[] = u"\n\n정말로 종료하시겠습니까?";
constexpr char16_t kRepairQuestion[] =
    u"아래 '확인' 버튼을 통해 클라이언트 오류 해결을 시도할 수 있습니다.\r\n 클라이언트 복구에 다소 시간이 걸릴 수 "
    u"있으니 잠시 기다려주세요.";
constexpr char16_t kRepairCaption[] = u"클라이언트 복구";

}  // namespace

CDAVureruvoDlg::CDAVureruvoDlg() { m_model.SetObserver(this); }

CDAVureruvoDlg::~CDAVureruvoDlg() {
    m_model.SetObserver(nullptr);
    if (m_hWnd) platform::DestroyWindow(m_hWnd);
}

LResult CDAVureruvoDlg::DoModal() {
    platform::Frontend& frontend = CurrentFrontend();
    m_hWnd = platform::CreateWindow("CDAVureruvoDlg", [this](platform::WindowHandle, uint32_t msg, WParam wp, LParam lp) {
        return WindowProc(msg, wp, lp);
    });
    m_model.Bind(m_hWnd);
    OnInitDialog();

    platform::DialogHooks hooks;
    hooks.startButtonId = IDC_BTN_START;
    hooks.workRunning = [this] { return IsWorkRunning(); };
    hooks.pressStart = [this] { platform::PostMessage(m_hWnd, platform::kMsgCommand, IDC_BTN_START, 0); };
    hooks.pressClose = [this] { platform::PostMessage(m_hWnd, platform::kMsgCommand, IDC_BTN_CLOSE, 0); };
    hooks.end = [this] { CloseDialog(); };
    frontend.DialogOpened(m_hWnd, std::move(hooks));

    LResult result = platform::RunModal(m_hWnd, [this](const platform::Message& msg) { return PreTranslateMessage(msg); });

    RunDialogEndHook(m_model);
    platform::WindowHandle window = m_hWnd;
    m_model.Bind({});
    platform::DestroyWindow(window);
    m_hWnd = {};
    frontend.DialogEnded(window);
    return result;
}

void CDAVureruvoDlg::CloseDialog() {
    if (m_hWnd) platform::EndModal(m_hWnd, IDCANCEL);
}

bool CDAVureruvoDlg::OnInitDialog() {
    m_model.title = u"DAVureruvo";
    m_model.iconId = IDR_MAINFRAME;
    m_bRepair = platform::GetCommandLine().find("-repaire") != std::string::npos;
    BuildControls();
    StartWork();
    return true;
}

void CDAVureruvoDlg::BuildControls() {
    // The window: the background picture's size, at the top-left corner of the screen.
    m_model.backgroundBitmap = IDB_MAIN_BACKGROUND;
    UiRect background = SizedAt(0, 0, IDB_MAIN_BACKGROUND);
    m_model.windowRect = background.width > 0 ? background : UiRect{0, 0, kDialogWidth, kDialogHeight};

    // The template's controls exist from the start, without text, at their places.
    for (const PlacedControl& placed : kPlacedControls) {
        UiControl control;
        control.id = placed.id;
        control.kind = placed.kind;
        control.rect = placed.rect;
        m_model.Add(control);
    }
    for (int id : {IDC_BTN_START, IDC_BTN_CLOSE, IDC_BTN_MINIMIZE}) {
        UiControl button;
        button.id = id;
        button.kind = ControlKind::Button;
        m_model.Add(button);
    }

    PlaceButton(IDC_BTN_START, 1010, 615,
                {IDB_START_NORMAL, IDB_START_PRESSED, IDB_START_PRESSED, IDB_START_DISABLED, IDB_START_MASK});
    m_model.SetEnabled(IDC_BTN_START, false);
    PlaceButton(IDC_BTN_CLOSE, 1230, 20,
                {IDB_CLOSE_NORMAL, IDB_CLOSE_PRESSED, IDB_CLOSE_NORMAL, IDB_CLOSE_NORMAL, IDB_CLOSE_MASK});
    PlaceButton(IDC_BTN_MINIMIZE, 1180, 20,
                {IDB_MINIMIZE_NORMAL, IDB_MINIMIZE_PRESSED, IDB_MINIMIZE_NORMAL, IDB_MINIMIZE_NORMAL, IDB_MINIMIZE_MASK});

    for (const RuntimeButton& b : kRuntimeButtons) {
        UiControl button;
        button.id = b.id;
        button.kind = ControlKind::Button;
        m_model.Add(button);
        PlaceButton(b.id, b.x, b.y, b.skin);
    }

    m_model.SetFillBitmap(IDC_PROGRESS, IDB_PROGRESS_FILL);
    m_model.SetRange(IDC_PROGRESS, 1, 100);
    m_model.SetPosition(IDC_PROGRESS, 1);
}

void CDAVureruvoDlg::PlaceButton(int id, int x, int y, const ButtonSkin& skin) {
    m_model.Move(id, SizedAt(x, y, skin.normal));
    m_model.SetSkin(id, skin);
    m_model.SetVisible(id, true);
}

LResult CDAVureruvoDlg::WindowProc(uint32_t message, WParam wParam, LParam lParam) {
    LResult result = 0;
    if (OnWorkMessage(message, wParam, lParam, result)) return result;
    switch (message) {
    case platform::kMsgCommand:
        OnCommand(static_cast<uint16_t>(wParam & 0xFFFF));
        return 0;
    case platform::kMsgTimer:
        OnTimer(wParam);
        return 0;
    case platform::kMsgClose:
        // Closing from outside asks like the close button.
        OnCloseCommand();
        return 0;
    default:
        return platform::DefaultWindowProc(m_hWnd, message, wParam, lParam);
    }
}

bool CDAVureruvoDlg::PreTranslateMessage(const platform::Message& msg) {
    // Escape never closes the launcher; Enter has no default action here either.
    return msg.id == platform::kMsgKeyDown && (msg.wParam == platform::kKeyEscape || msg.wParam == platform::kKeyReturn);
}

void CDAVureruvoDlg::OnCommand(uint16_t command) {
    switch (command) {
    case CommandOf(IDC_BTN_CLOSE): OnCloseCommand(); return;
    case CommandOf(IDC_BTN_START):
        if (const UiControl* start = m_model.Find(IDC_BTN_START); start && start->enabled) OnStartGame();
        return;
    case CommandOf(IDC_BTN_MINIMIZE): OnMinimize(); return;
    case ID_CMD_REPAIR: OnRepairCommand(); return;
    default: OnWebLink(command); return;
    }
}

void CDAVureruvoDlg::OnCloseCommand() {
    if (VXMsgBox::Show(kCloseQuestion, u"", m_hWnd) == VXMB_CONFIRM) CloseDialog();
}

void CDAVureruvoDlg::OnMinimize() {
    m_model.minimised = true;
    CurrentFrontend().DialogMinimised(m_hWnd);
}

void CDAVureruvoDlg::OnWebLink(uint16_t command) {
    if (const char* url = WebLinkUrl(command)) platform::ShellOpen(url);  // failures are silent
}

void CDAVureruvoDlg::OnRepairCommand() {
    if (VXMsgBox::Show(kRepairQuestion, kRepairCaption, m_hWnd) == VXMB_CONFIRM) OnRepairConfirmed();
}

void CDAVureruvoDlg::OnTextChanged(const UiControl& control) {
    if (IsMainDialogLabel(control.id)) CurrentFrontend().LabelChanged(control.id, platform::Utf16ToUtf8(control.text));
}

void CDAVureruvoDlg::OnPositionChanged(const UiControl& control) {
    if (control.id == IDC_PROGRESS) CurrentFrontend().ProgressChanged(control.position);
}

void CDAVureruvoDlg::OnEnabledChanged(const UiControl& control) {
    if (control.kind == ControlKind::Button) CurrentFrontend().ButtonEnabled(control.id, control.enabled);
}

void CDAVureruvoDlg::OnAppearanceChanged() {
    if (m_hWnd) CurrentFrontend().Invalidate(m_hWnd);
}
