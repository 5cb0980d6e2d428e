#include "ui/VXMsgBox.h"

#include "platform/Text.h"
#include "res/Resources.h"
#include "ui/ControlIds.h"
#include "ui/DialogModel.h"
#include "ui/UiFrontend.h"

using platform::LParam;
using platform::LResult;
using platform::WindowHandle;
using platform::WParam;

namespace {

constexpr int kBoxWidth = 542;
constexpr int kBoxHeight = 260;

UiRect SizedAt(int x, int y, int bitmap) {
    const res::Picture* picture = res::FindPicture(bitmap);
    return UiRect{x, y, picture ? picture->width : 0, picture ? picture->height : 0};
}

// One box: built, shown modally on the calling thread, destroyed.
class MsgBoxDialog {
public:
    MsgBoxDialog(std::u16string_view text, std::u16string_view caption, WindowHandle owner)
        : m_text(text), m_caption(caption), m_owner(owner) {}

    int DoModal() {
        platform::Frontend& frontend = CurrentFrontend();
        m_hWnd = platform::CreateWindow("VXMsgBox", [this](WindowHandle, uint32_t msg, WParam wp, LParam lp) {
            return WindowProc(msg, wp, lp);
        });
        m_model.Bind(m_hWnd);
        OnInitDialog();
        WindowHandle box = m_hWnd;
        frontend.MessageBoxOpened(box, platform::Utf16ToUtf8(m_caption), platform::Utf16ToUtf8(m_text),
                                  [box](bool confirm) {
                                      platform::PostMessage(box, platform::kMsgCommand,
                                                            confirm ? IDC_BOX_CONFIRM : IDC_BOX_CANCEL, 0);
                                  });
        LResult result = platform::RunModal(box, [](const platform::Message& msg) {
            // Escape never closes the box.
            return msg.id == platform::kMsgKeyDown && msg.wParam == platform::kKeyEscape;
        });
        m_model.Bind({});
        platform::DestroyWindow(box);
        m_hWnd = {};
        int answer = result == IDOK ? IDOK : IDCANCEL;
        frontend.MessageBoxEnded(box, answer);
        return answer;
    }

private:
    void OnInitDialog() {
        // The box takes its background's size, centred over its owner.
        m_model.backgroundBitmap = IDB_MSGBOX_BACKGROUND;
        UiRect size = SizedAt(0, 0, IDB_MSGBOX_BACKGROUND);
        int width = size.width > 0 ? size.width : kBoxWidth;
        int height = size.height > 0 ? size.height : kBoxHeight;
        UiRect parent{0, 0, width, height};
        if (const DialogModel* owner = DialogModel::ForWindow(m_owner)) parent = owner->windowRect;
        m_model.windowRect = {parent.x + (parent.width - width) / 2, parent.y + (parent.height - height) / 2, width, height};

        AddButton(IDC_BOX_CONFIRM, SizedAt(315, 199, IDB_MSGBOX_OK_NORMAL),
                  {IDB_MSGBOX_OK_NORMAL, IDB_MSGBOX_OK_PRESSED, IDB_MSGBOX_OK_NORMAL, IDB_MSGBOX_OK_NORMAL, IDB_MSGBOX_OK_MASK});
        AddButton(IDC_BOX_CANCEL, SizedAt(53, 199, IDB_MSGBOX_CANCEL_NORMAL),
                  {IDB_MSGBOX_CANCEL_NORMAL, IDB_MSGBOX_CANCEL_PRESSED, IDB_MSGBOX_CANCEL_NORMAL,
                   IDB_MSGBOX_CANCEL_NORMAL, IDB_MSGBOX_CANCEL_MASK});
        AddButton(IDC_BOX_CLOSE, SizedAt(418, 0, IDB_MSGBOX_CLOSE),
                  {IDB_MSGBOX_CLOSE, IDB_MSGBOX_CLOSE, IDB_MSGBOX_CLOSE, IDB_MSGBOX_CLOSE, IDB_MSGBOX_OK_MASK});
        m_model.SetVisible(IDC_BOX_CLOSE, false);

        UiControl caption;
        caption.id = IDC_BOX_CAPTION;
        caption.centred = true;
        m_model.Add(caption);
        if (!m_caption.empty()) m_model.SetText(IDC_BOX_CAPTION, m_caption);

        UiControl text;
        text.id = IDC_BOX_TEXT;
        text.rect = {40, 30, 450, 120};
        text.centred = true;
        m_model.Add(text);
        if (!m_text.empty()) m_model.SetText(IDC_BOX_TEXT, m_text);
    }

    void AddButton(int id, const UiRect& rect, const ButtonSkin& skin) {
        UiControl button;
        button.id = id;
        button.kind = ControlKind::Button;
        button.rect = rect;
        button.skin = skin;
        m_model.Add(button);
    }

    LResult WindowProc(uint32_t message, WParam wParam, LParam lParam) {
        if (message == platform::kMsgCommand) {
            switch (wParam & 0xFFFF) {
            case IDC_BOX_CONFIRM: platform::EndModal(m_hWnd, IDOK); break;
            case IDC_BOX_CANCEL:
            case IDC_BOX_CLOSE: platform::EndModal(m_hWnd, IDCANCEL); break;
            default: break;
            }
            return 0;
        }
        if (message == platform::kMsgKeyDown && wParam == platform::kKeyReturn) {
            // Enter confirms, as a dialog's default button does.
            platform::EndModal(m_hWnd, IDOK);
            return 0;
        }
        return platform::DefaultWindowProc(m_hWnd, message, wParam, lParam);
    }

    std::u16string m_text;
    std::u16string m_caption;
    WindowHandle m_owner;
    WindowHandle m_hWnd;
    DialogModel m_model;
};

}  // namespace

int VXMsgBox::Show(std::u16string_view text, std::u16string_view caption, WindowHandle owner) {
    auto runBox = [&]() -> LResult { return MsgBoxDialog(text, caption, owner).DoModal(); };
    if (!owner) return static_cast<int>(runBox());
    std::optional<LResult> result = platform::CallOnOwnerThread(owner, runBox);
    return result ? static_cast<int>(*result) : VXMB_CANCEL;
}
