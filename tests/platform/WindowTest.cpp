// The message layer with several threads: sends served by the owner thread (also inside
// nested modal loops), posts, timers, calls on the owner thread, destruction with senders
// waiting, and the modal loop's end and filter.

#include "platform/Window.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

using namespace platform;

namespace {

constexpr uint32_t kMsgPing = kMsgUser + 1;
constexpr uint32_t kMsgOpenBox = kMsgUser + 2;
constexpr uint32_t kMsgStartNext = kMsgUser + 3;
constexpr uint32_t kMsgSecondStarted = kMsgUser + 4;
constexpr uint32_t kMsgDestroySelf = kMsgUser + 5;

// A window whose procedure is a lambda of the test; destroyed with the fixture.
class OwnedWindow {
public:
    OwnedWindow(std::string_view cls, WindowProc proc) : m_handle(CreateWindow(cls, std::move(proc))) {}
    ~OwnedWindow() { DestroyWindow(m_handle); }
    WindowHandle Get() const { return m_handle; }

private:
    WindowHandle m_handle;
};

TEST(WindowTest, SendsFromSeveralThreadsRunOnTheOwnerAndReturnResults) {
    constexpr int kThreads = 4;
    constexpr int kSends = 200;
    std::thread::id ui = std::this_thread::get_id();
    std::atomic<bool> wrongThread{false};
    int handled = 0;  // touched only by the owner thread
    WindowHandle self;
    OwnedWindow window("test", [&](WindowHandle w, uint32_t msg, WParam wp, LParam lp) -> LResult {
        if (msg != kMsgPing) return DefaultWindowProc(w, msg, wp, lp);
        if (std::this_thread::get_id() != ui) wrongThread = true;
        if (++handled == kThreads * kSends) EndModal(w, 42);
        return static_cast<LResult>(wp) * 3 + lp;
    });
    self = window.Get();
    std::atomic<int> badResults{0};
    std::vector<std::thread> workers;
    for (int t = 0; t < kThreads; ++t) {
        workers.emplace_back([&, t] {
            for (int i = 0; i < kSends; ++i) {
                WParam wp = static_cast<WParam>(t) << 33 | static_cast<WParam>(i);  // above 32 bits
                if (SendMessage(self, kMsgPing, wp, 1) != static_cast<LResult>(wp) * 3 + 1) ++badResults;
            }
        });
    }
    EXPECT_EQ(RunModal(self), 42);
    for (auto& w : workers) w.join();
    EXPECT_EQ(handled, kThreads * kSends);
    EXPECT_EQ(badResults.load(), 0);
    EXPECT_FALSE(wrongThread.load());
}

TEST(WindowTest, SendOnTheOwnerThreadCallsTheProcedureDirectly) {
    int calls = 0;
    OwnedWindow window("test", [&](WindowHandle, uint32_t msg, WParam wp, LParam) -> LResult {
        if (msg == kMsgPing) ++calls;
        return static_cast<LResult>(wp);
    });
    EXPECT_EQ(SendMessage(window.Get(), kMsgPing, 7, 0), 7);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(SendMessage(WindowHandle{}, kMsgPing, 7, 0), 0);
}

TEST(WindowTest, WorkerSendIsServedWhileTheOwnerIsInsideANestedModalBox) {
    int pingsSeenDuringBox = 0;
    bool boxOpen = false;
    WindowHandle box;
    std::thread worker;
    OwnedWindow dialog("dialog", [&](WindowHandle w, uint32_t msg, WParam wp, LParam lp) -> LResult {
        if (msg == kMsgOpenBox) {
            OwnedWindow boxWindow("box", DefaultWindowProc);
            box = boxWindow.Get();
            boxOpen = true;
            // The worker sends to the dialog while the box's loop runs, then ends the box.
            worker = std::thread([d = w, b = box] {
                SendMessage(d, kMsgPing, 0, 0);
                EndModal(b, 1);
            });
            LResult answer = RunModal(box);
            boxOpen = false;
            EndModal(w, answer);
            return 0;
        }
        if (msg == kMsgPing && boxOpen) ++pingsSeenDuringBox;
        return DefaultWindowProc(w, msg, wp, lp);
    });
    PostMessage(dialog.Get(), kMsgOpenBox, 0, 0);
    EXPECT_EQ(RunModal(dialog.Get()), 1);
    worker.join();
    EXPECT_EQ(pingsSeenDuringBox, 1);
}

TEST(WindowTest, WorkerBlockedInItsFinalSendWhileTheOwnerStartsTheNextWorkerDoesNotDeadlock) {
    std::thread first, second;
    std::atomic<bool> firstReturned{false};
    OwnedWindow dialog("dialog", [&](WindowHandle w, uint32_t msg, WParam wp, LParam lp) -> LResult {
        if (msg == kMsgStartNext) {
            // Reaction to the first worker's final message: start the next worker at once,
            // while the first one is still inside its send.
            second = std::thread([w] { SendMessage(w, kMsgSecondStarted, 0, 0); });
            return 5;
        }
        if (msg == kMsgSecondStarted) {
            EndModal(w, 9);
            return 0;
        }
        return DefaultWindowProc(w, msg, wp, lp);
    });
    first = std::thread([&, d = dialog.Get()] {
        EXPECT_EQ(SendMessage(d, kMsgStartNext, 0, 0), 5);
        firstReturned = true;
    });
    EXPECT_EQ(RunModal(dialog.Get()), 9);
    first.join();
    second.join();
    EXPECT_TRUE(firstReturned.load());
}

TEST(WindowTest, DestroyingTheWindowReleasesAWorkerBlockedInASend) {
    std::atomic<bool> workerAboutToSend{false};
    std::atomic<int> pingsHandled{0};
    LResult workerResult = -5;
    std::thread worker;
    WindowHandle w = CreateWindow("dialog", [&](WindowHandle self, uint32_t msg, WParam, LParam) -> LResult {
        if (msg == kMsgPing) ++pingsHandled;
        if (msg == kMsgDestroySelf) {
            // The close is confirmed while a worker is (about to be) blocked in a send.
            worker = std::thread([&, self] {
                workerAboutToSend = true;
                workerResult = SendMessage(self, kMsgPing, 0, 0);
            });
            while (!workerAboutToSend) std::this_thread::yield();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            DestroyWindow(self);
        }
        return 1;
    });
    PostMessage(w, kMsgDestroySelf, 0, 0);
    EXPECT_EQ(RunModal(w), kModalWindowDestroyed);
    worker.join();
    EXPECT_EQ(workerResult, 0);
    EXPECT_EQ(pingsHandled.load(), 0);
    EXPECT_FALSE(IsWindow(w));
    EXPECT_FALSE(PostMessage(w, kMsgPing, 0, 0));
    EXPECT_EQ(SendMessage(w, kMsgPing, 0, 0), 0);
}

TEST(WindowTest, OwnerThreadEndingReleasesWaitingSenders) {
    std::atomic<uint64_t> handle{0};
    std::atomic<bool> release{false};
    std::atomic<bool> procRan{false};
    std::thread owner([&] {
        WindowHandle w = CreateWindow("orphan", [&](WindowHandle, uint32_t, WParam, LParam) -> LResult {
            procRan = true;
            return 1;
        });
        handle = w.id;
        while (!release) std::this_thread::yield();
        // Ends without ever pumping: the window goes with the thread.
    });
    while (handle == 0) std::this_thread::yield();
    std::thread sender([&] { EXPECT_EQ(SendMessage(WindowHandle{handle}, kMsgPing, 0, 0), 0); });
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    release = true;
    owner.join();
    sender.join();
    EXPECT_FALSE(procRan.load());
    EXPECT_FALSE(IsWindow(WindowHandle{handle}));
}

TEST(WindowTest, TwoThreadsSendingToEachOtherDoNotDeadlock) {
    std::atomic<uint64_t> otherWindow{0};
    std::atomic<bool> done{false};
    std::thread other([&] {
        WindowHandle w = CreateWindow("other", [&](WindowHandle, uint32_t msg, WParam wp, LParam) -> LResult {
            return msg == kMsgPing ? static_cast<LResult>(wp) + 1 : 0;
        });
        otherWindow = w.id;
        while (!done) PumpMessages(5);
        DestroyWindow(w);
    });
    while (otherWindow == 0) std::this_thread::yield();
    WindowHandle mine;
    std::thread::id ui = std::this_thread::get_id();
    bool ranHere = false;
    OwnedWindow window("mine", [&](WindowHandle, uint32_t msg, WParam wp, LParam) -> LResult {
        if (msg == kMsgPing) ranHere = std::this_thread::get_id() == ui;
        return static_cast<LResult>(wp) * 10;
    });
    mine = window.Get();
    EXPECT_EQ(SendMessage(WindowHandle{otherWindow}, kMsgPing, 1, 0), 2);
    // While we wait for "other", it sends to our window: we serve it from inside our send.
    auto viaOther = CallOnOwnerThread(WindowHandle{otherWindow}, [&] { return SendMessage(mine, kMsgPing, 4, 0); });
    ASSERT_TRUE(viaOther.has_value());
    EXPECT_EQ(*viaOther, 40);
    EXPECT_TRUE(ranHere);
    done = true;
    other.join();
}

TEST(WindowTest, PostedMessagesKeepTheirOrder) {
    std::vector<int> order;
    OwnedWindow window("test", [&](WindowHandle, uint32_t msg, WParam wp, LParam) -> LResult {
        if (msg == kMsgPing) order.push_back(static_cast<int>(wp));
        return 0;
    });
    std::thread poster([w = window.Get()] {
        for (int i = 0; i < 50; ++i) PostMessage(w, kMsgPing, static_cast<WParam>(i), 0);
    });
    poster.join();
    EXPECT_EQ(PumpMessages(0), 50);
    ASSERT_EQ(order.size(), 50u);
    for (int i = 0; i < 50; ++i) EXPECT_EQ(order[static_cast<size_t>(i)], i);
}

TEST(WindowTest, TimersFireOnTheOwnerThreadUntilKilled) {
    int ticksA = 0, ticksB = 0;
    OwnedWindow window("timer", [&](WindowHandle w, uint32_t msg, WParam wp, LParam lp) -> LResult {
        if (msg != kMsgTimer) return DefaultWindowProc(w, msg, wp, lp);
        if (wp == 512521 && ++ticksA == 3) {
            EXPECT_TRUE(KillTimer(w, 512521));
            EndModal(w, ticksB);
        }
        if (wp == 7) ++ticksB;
        return 0;
    });
    ASSERT_TRUE(SetTimer(window.Get(), 512521, 5));
    ASSERT_TRUE(SetTimer(window.Get(), 7, 60000));  // never due during the test
    RunModal(window.Get());
    EXPECT_EQ(ticksA, 3);
    EXPECT_EQ(ticksB, 0);
    EXPECT_FALSE(KillTimer(window.Get(), 512521));
    EXPECT_TRUE(KillTimer(window.Get(), 7));
    EXPECT_FALSE(SetTimer(WindowHandle{}, 1, 5));
    // A killed timer stays silent.
    PumpMessages(20);
    EXPECT_EQ(ticksA, 3);
}

TEST(WindowTest, TimersOfADestroyedWindowStop) {
    int ticks = 0;
    WindowHandle w = CreateWindow("timer", [&](WindowHandle, uint32_t msg, WParam, LParam) -> LResult {
        if (msg == kMsgTimer) ++ticks;
        return 0;
    });
    SetTimer(w, 1, 1);
    DestroyWindow(w);
    PumpMessages(15);
    EXPECT_EQ(ticks, 0);
}

TEST(WindowTest, CallOnOwnerThreadRunsThereOrNotAtAll) {
    std::thread::id ui = std::this_thread::get_id();
    OwnedWindow window("dialog", DefaultWindowProc);
    WindowHandle w = window.Get();
    std::thread worker([&] {
        auto r = CallOnOwnerThread(w, [&] {
            EXPECT_EQ(std::this_thread::get_id(), ui);
            EndModal(w, 3);
            return LResult{2};
        });
        EXPECT_EQ(r, std::optional<LResult>(2));
    });
    EXPECT_EQ(RunModal(w), 3);
    worker.join();

    WindowHandle gone = CreateWindow("gone", DefaultWindowProc);
    DestroyWindow(gone);
    bool ran = false;
    EXPECT_FALSE(CallOnOwnerThread(gone, [&] { ran = true; return LResult{1}; }).has_value());
    EXPECT_FALSE(ran);
}

TEST(WindowTest, EndModalBeforeTheLoopEndsItAtOnceAndFromAnotherThreadWakesIt) {
    OwnedWindow window("dialog", DefaultWindowProc);
    EXPECT_TRUE(EndModal(window.Get(), 2));
    EXPECT_EQ(RunModal(window.Get()), 2);

    std::thread ender([w = window.Get()] {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EndModal(w, 1);
    });
    EXPECT_EQ(RunModal(window.Get()), 1);
    ender.join();
    EXPECT_FALSE(EndModal(WindowHandle{}, 1));
}

TEST(WindowTest, TheLoopFilterConsumesPostedMessages) {
    std::vector<WParam> keys;
    OwnedWindow window("dialog", [&](WindowHandle w, uint32_t msg, WParam wp, LParam lp) -> LResult {
        if (msg == kMsgKeyDown) keys.push_back(wp);
        if (msg == kMsgCommand && (wp & 0xFFFF) == 1007) EndModal(w, 2);
        return DefaultWindowProc(w, msg, wp, lp);
    });
    WindowHandle w = window.Get();
    PostMessage(w, kMsgKeyDown, kKeyEscape, 0);
    PostMessage(w, kMsgKeyDown, 'A', 0);
    PostMessage(w, kMsgCommand, 0xABCD0000u | 1007u, 0);
    auto escapeFilter = [](const Message& m) { return m.id == kMsgKeyDown && m.wParam == kKeyEscape; };
    EXPECT_EQ(RunModal(w, escapeFilter), 2);
    EXPECT_EQ(keys, (std::vector<WParam>{'A'}));
}

TEST(WindowTest, UserDataClassLookupAndDestroyRules) {
    int destroyed = 0;
    WindowHandle w = CreateWindow("DOWNLOAD_CMD_WINDOW_CLASS", [&](WindowHandle, uint32_t msg, WParam, LParam) -> LResult {
        if (msg == kMsgDestroy) ++destroyed;
        return 0;
    });
    EXPECT_EQ(FindWindow("DOWNLOAD_CMD_WINDOW_CLASS"), w);
    EXPECT_EQ(GetWindowUserData(w), 0);
    EXPECT_EQ(SetWindowUserData(w, 1234), 0);
    EXPECT_EQ(GetWindowUserData(w), 1234);
    EXPECT_TRUE(IsOwnerThread(w));
    std::thread other([w] {
        EXPECT_FALSE(IsOwnerThread(w));
        EXPECT_FALSE(DestroyWindow(w));  // only the owner destroys
    });
    other.join();
    EXPECT_TRUE(DestroyWindow(w));
    EXPECT_FALSE(DestroyWindow(w));
    EXPECT_EQ(destroyed, 1);
    EXPECT_FALSE(FindWindow("DOWNLOAD_CMD_WINDOW_CLASS"));
    EXPECT_FALSE(CreateWindow("none", WindowProc{}));
}

TEST(WindowTest, EventPumpRunsWhileTheLoopIsIdle) {
    int pumps = 0;
    OwnedWindow window("dialog", [&](WindowHandle w, uint32_t msg, WParam wp, LParam lp) -> LResult {
        if (msg == kMsgKeyDown) EndModal(w, 4);
        return DefaultWindowProc(w, msg, wp, lp);
    });
    WindowHandle w = window.Get();
    SetThreadEventPump([&] {
        if (++pumps == 3) PostMessage(w, kMsgKeyDown, 'X', 0);
    }, 2);
    EXPECT_EQ(RunModal(w), 4);
    SetThreadEventPump({}, 0);
    EXPECT_EQ(pumps, 3);
}

}  // namespace
