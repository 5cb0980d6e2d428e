#pragma once
// What a dialog shows, apart from how it is drawn: its controls with their places, texts,
// states and skins. The dialog classes change it; an observer (the front-end bridge) hears
// of every change that a user would see; renderers read it. Used on the user-interface
// thread only.

#include "platform/Window.h"

#include <string>
#include <string_view>
#include <vector>

enum class ControlKind { Label, ProgressBar, Button };

struct UiRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const UiRect&) const = default;
};

// Bitmap resource ids of a skinned button's states and of its shape mask (0: none).
struct ButtonSkin {
    int normal = 0;
    int pressed = 0;
    int hover = 0;
    int disabled = 0;
    int mask = 0;
    bool operator==(const ButtonSkin&) const = default;
};

struct UiControl {
    int id = 0;
    ControlKind kind = ControlKind::Label;
    UiRect rect;
    std::u16string text;
    bool enabled = true;
    bool visible = true;
    bool centred = false;   // labels: text centred in the rectangle
    ButtonSkin skin;        // buttons
    int fillBitmap = 0;     // progress bar: bitmap tiled over the done part
    int rangeLow = 0;       // progress bar range and position
    int rangeHigh = 100;
    int position = 0;
};

// Hears of changes; every function has an empty default.
class DialogModelObserver {
public:
    virtual ~DialogModelObserver() = default;
    virtual void OnTextChanged(const UiControl&) {}
    virtual void OnPositionChanged(const UiControl&) {}
    virtual void OnEnabledChanged(const UiControl&) {}
    // Anything that changes the picture (also after each of the above).
    virtual void OnAppearanceChanged() {}
};

class DialogModel {
public:
    DialogModel() = default;
    ~DialogModel();
    DialogModel(const DialogModel&) = delete;
    DialogModel& operator=(const DialogModel&) = delete;

    // Adds a control (ids are unique; adding an existing id replaces it). Not announced.
    UiControl& Add(const UiControl& control);
    // The control with id, else nullptr.
    UiControl* Find(int id);
    const UiControl* Find(int id) const;
    const std::vector<UiControl>& Controls() const { return m_controls; }

    // Each setter ignores unknown ids and announces a change only when the value changes.
    void SetText(int id, std::u16string_view text);
    std::u16string GetText(int id) const;
    void SetEnabled(int id, bool enabled);
    void SetVisible(int id, bool visible);
    void Move(int id, const UiRect& rect);
    void SetSkin(int id, const ButtonSkin& skin);
    void SetCentred(int id, bool centred);
    // Progress bars: the range, and the position clamped into it.
    void SetRange(int id, int low, int high);
    void SetPosition(int id, int position);
    void SetFillBitmap(int id, int bitmap);

    // The window: its place on the screen, background bitmap, icon, title, minimised state.
    UiRect windowRect;
    int backgroundBitmap = 0;
    int iconId = 0;
    std::u16string title;
    bool minimised = false;

    void SetObserver(DialogModelObserver* observer) { m_observer = observer; }

    // Binds the model to its window, so renderers can find it by handle; unbinds with {}.
    void Bind(platform::WindowHandle window);
    platform::WindowHandle Window() const { return m_window; }
    // The model bound to window, else nullptr.
    static const DialogModel* ForWindow(platform::WindowHandle window);

private:
    void Appearance();

    std::vector<UiControl> m_controls;
    DialogModelObserver* m_observer = nullptr;
    platform::WindowHandle m_window;
};
