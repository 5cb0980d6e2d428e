#pragma once
// A front-end for tests: records every event as a line in the headless front-end's words,
// answers boxes from a list, and runs a scripted action when the dialog opens.

#include "platform/Frontend.h"
#include "ui/DialogModel.h"
#include "ui/UiFrontend.h"

#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class RecordingFrontend : public platform::Frontend {
public:
    std::string_view Name() const override { return "recording"; }

    void DialogOpened(platform::WindowHandle dialog, platform::DialogHooks hooks) override {
        m_hooks = std::move(hooks);
        m_dialog = dialog;
        Record("opened");
        if (onOpened) onOpened(dialog, m_hooks);
    }
    void LabelChanged(int id, std::string_view text) override {
        Record("label " + std::to_string(id) + " " + std::string(text));
    }
    void ProgressChanged(int position) override { Record("progress " + std::to_string(position)); }
    void ButtonEnabled(int id, bool enabled) override {
        Record("button " + std::to_string(id) + (enabled ? " on" : " off"));
    }
    void DialogMinimised(platform::WindowHandle) override { Record("minimised"); }
    void MessageBoxOpened(platform::WindowHandle box, std::string_view caption, std::string_view text,
                          std::function<void(bool)> answer) override {
        Record("msgbox " + std::string(caption) + "|" + std::string(text));
        {
            std::lock_guard lock(m_mutex);
            boxThreads.push_back(std::this_thread::get_id());
            if (const DialogModel* model = DialogModel::ForWindow(box)) {
                boxRect = model->windowRect;
                boxControls = model->Controls();
            }
        }
        if (onBox) {
            onBox(box);
            return;
        }
        bool yes = false;
        {
            std::lock_guard lock(m_mutex);
            if (!answers.empty()) {
                yes = answers.front();
                answers.pop_front();
            }
        }
        answer(yes);
    }
    void MessageBoxEnded(platform::WindowHandle, int result) override {
        Record("answer " + std::to_string(result));
        std::function<void(platform::WindowHandle)> next;
        {
            std::lock_guard lock(m_mutex);
            if (!afterBox.empty()) {
                next = std::move(afterBox.front());
                afterBox.pop_front();
            }
        }
        if (next) next(m_dialog);
    }
    void DialogEnded(platform::WindowHandle) override { Record("end"); }

    std::vector<std::string> Events() const {
        std::lock_guard lock(m_mutex);
        return m_events;
    }

    std::deque<bool> answers;
    std::function<void(platform::WindowHandle, platform::DialogHooks&)> onOpened;
    std::function<void(platform::WindowHandle)> onBox;  // replaces the automatic answer
    // Steps run one after each box has ended (with the dialog's window), as a user would
    // act only once the box is gone.
    std::deque<std::function<void(platform::WindowHandle)>> afterBox;
    std::vector<std::thread::id> boxThreads;
    UiRect boxRect;
    std::vector<UiControl> boxControls;

private:
    void Record(std::string line) {
        std::lock_guard lock(m_mutex);
        m_events.push_back(std::move(line));
    }

    mutable std::mutex m_mutex;
    std::vector<std::string> m_events;
    platform::DialogHooks m_hooks;
    platform::WindowHandle m_dialog;
};

// Installs a RecordingFrontend for one test and restores the previous front-end after.
class ScopedRecordingFrontend {
public:
    ScopedRecordingFrontend() {
        auto owned = std::make_unique<RecordingFrontend>();
        m_frontend = owned.get();
        m_previous = ReplaceFrontend(std::move(owned));
    }
    ~ScopedRecordingFrontend() { ReplaceFrontend(std::move(m_previous)); }
    RecordingFrontend* operator->() { return m_frontend; }
    RecordingFrontend& operator*() { return *m_frontend; }

private:
    RecordingFrontend* m_frontend;
    std::unique_ptr<platform::Frontend> m_previous;
};
