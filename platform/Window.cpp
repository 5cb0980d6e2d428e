// The message layer. One mutex guards every window, queue and timer; procedures and
// functions handed to CallOnOwnerThread always run with it released. Each thread that
// owns windows or sends messages has a queue with its own condition variable, on which it
// waits for work (as an owner) or for the answer to its send (as a sender).

#include "platform/Window.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace platform {
namespace {

using Clock = std::chrono::steady_clock;

struct ThreadQueue;

// A message waiting in its owner's queue for the sender, which stays blocked meanwhile.
struct SentItem {
    uint64_t window = 0;
    uint32_t message = 0;
    WParam wParam = 0;
    LParam lParam = 0;
    const std::function<LResult()>* fn = nullptr;
    LResult result = 0;
    bool handled = false;
    bool done = false;
    std::shared_ptr<ThreadQueue> sender;
};

struct TimerEntry {
    uint64_t window = 0;
    WParam id = 0;
    uint32_t intervalMs = 0;
    Clock::time_point due;
};

struct ModalFrame {
    uint64_t window = 0;
    bool ended = false;
    LResult result = 0;
};

struct ThreadQueue {
    std::condition_variable cv;
    std::deque<SentItem*> sent;
    std::deque<Message> posted;
    std::vector<TimerEntry> timers;
    std::vector<ModalFrame*> modal;  // innermost last
    std::function<void()> pump;
    uint32_t pumpPollMs = 0;
    Clock::time_point nextPump;
    bool wake = false;
    bool alive = true;
};

struct WindowRec {
    uint64_t id = 0;
    std::string className;
    WindowProc proc;
    std::shared_ptr<ThreadQueue> owner;
    intptr_t userData = 0;
    bool destroying = false;
    bool hasPendingEnd = false;
    LResult pendingEnd = 0;
};

// Never destroyed: static destructors elsewhere (the procedure manager's teardown) may
// still call into the layer at process exit.
struct Registry {
    std::mutex mutex;
    std::map<uint64_t, std::shared_ptr<WindowRec>> windows;
    uint64_t nextId = 1;
};

Registry& Reg() {
    static Registry* registry = new Registry;
    return *registry;
}

void CompleteSent(SentItem* item, LResult result, bool handled) {
    item->result = result;
    item->handled = handled;
    item->done = true;
    item->sender->cv.notify_all();
}

// Removes the window and everything queued for it. Caller holds the mutex.
void ForgetWindowLocked(const std::shared_ptr<WindowRec>& rec) {
    Registry& reg = Reg();
    reg.windows.erase(rec->id);
    ThreadQueue& q = *rec->owner;
    for (auto it = q.sent.begin(); it != q.sent.end();) {
        if ((*it)->window == rec->id) {
            CompleteSent(*it, 0, false);
            it = q.sent.erase(it);
        } else {
            ++it;
        }
    }
    std::erase_if(q.posted, [&](const Message& m) { return m.window.id == rec->id; });
    std::erase_if(q.timers, [&](const TimerEntry& t) { return t.window == rec->id; });
    for (ModalFrame* frame : q.modal) {
        if (frame->window == rec->id && !frame->ended) {
            frame->ended = true;
            frame->result = kModalWindowDestroyed;
        }
    }
    q.cv.notify_all();
}

// Ends a thread's part in the layer: its windows go away without further messages and
// every send waiting for them returns 0.
void EndThreadQueue(const std::shared_ptr<ThreadQueue>& queue) {
    Registry& reg = Reg();
    std::lock_guard lock(reg.mutex);
    queue->alive = false;
    std::vector<std::shared_ptr<WindowRec>> owned;
    for (auto& [id, rec] : reg.windows) {
        if (rec->owner == queue) owned.push_back(rec);
    }
    for (auto& rec : owned) ForgetWindowLocked(rec);
    for (SentItem* item : queue->sent) CompleteSent(item, 0, false);
    queue->sent.clear();
    queue->posted.clear();
    queue->timers.clear();
}

struct ThreadHolder {
    std::shared_ptr<ThreadQueue> queue;
    ~ThreadHolder();
};

thread_local ThreadHolder t_holder;
// Trivially destructible, so it can still be read while and after t_holder is destroyed.
thread_local bool t_ended = false;

ThreadHolder::~ThreadHolder() {
    t_ended = true;
    if (queue) EndThreadQueue(queue);
}

// The calling thread's queue, created on first use. A thread whose queue has already been
// torn down (thread exit) gets a detached one that owns nothing.
std::shared_ptr<ThreadQueue> CurrentQueue() {
    if (t_ended) {
        auto detached = std::make_shared<ThreadQueue>();
        detached->alive = false;
        return detached;
    }
    if (!t_holder.queue) t_holder.queue = std::make_shared<ThreadQueue>();
    return t_holder.queue;
}

std::shared_ptr<WindowRec> LookupLocked(WindowHandle window) {
    auto& windows = Reg().windows;
    auto it = windows.find(window.id);
    if (it == windows.end() || it->second->destroying) return nullptr;
    return it->second;
}

std::shared_ptr<WindowRec> Lookup(WindowHandle window) {
    std::lock_guard lock(Reg().mutex);
    return LookupLocked(window);
}

// Calls the procedure of a window owned by the calling thread, or 0 when it is gone.
LResult CallProc(uint64_t id, uint32_t message, WParam wParam, LParam lParam) {
    std::shared_ptr<WindowRec> rec = Lookup(WindowHandle{id});
    if (!rec) return 0;
    return rec->proc(WindowHandle{id}, message, wParam, lParam);
}

// Handles one sent item taken from the queue; the mutex is released around the call.
void HandleSent(std::unique_lock<std::mutex>& lock, SentItem* item) {
    std::shared_ptr<WindowRec> rec = LookupLocked(WindowHandle{item->window});
    LResult result = 0;
    bool handled = false;
    if (rec) {
        lock.unlock();
        if (item->fn)
            result = (*item->fn)();
        else
            result = rec->proc(WindowHandle{item->window}, item->message, item->wParam, item->lParam);
        handled = true;
        lock.lock();
    }
    CompleteSent(item, result, handled);
}

// Handles the most urgent piece of queued work of the calling thread, if any: a sent
// message, else a posted one (shown to the filter first), else the earliest due timer.
// Returns false when nothing was waiting. The mutex is held on entry and on return.
bool DispatchOne(std::unique_lock<std::mutex>& lock, ThreadQueue& q,
                 const std::function<bool(const Message&)>* filter) {
    if (!q.sent.empty()) {
        SentItem* item = q.sent.front();
        q.sent.pop_front();
        HandleSent(lock, item);
        return true;
    }
    if (!q.posted.empty()) {
        Message msg = q.posted.front();
        q.posted.pop_front();
        lock.unlock();
        if (!(filter && *filter && (*filter)(msg))) CallProc(msg.window.id, msg.id, msg.wParam, msg.lParam);
        lock.lock();
        return true;
    }
    Clock::time_point now = Clock::now();
    TimerEntry* due = nullptr;
    for (TimerEntry& t : q.timers) {
        if (t.due <= now && (!due || t.due < due->due)) due = &t;
    }
    if (due) {
        due->due = now + std::chrono::milliseconds(due->intervalMs);
        uint64_t window = due->window;
        WParam id = due->id;
        lock.unlock();
        CallProc(window, kMsgTimer, id, 0);
        lock.lock();
        return true;
    }
    return false;
}

// Runs the event pump when it is due (or woken); true when it ran.
bool RunPumpIfDue(std::unique_lock<std::mutex>& lock, ThreadQueue& q) {
    if (!q.pump) return false;
    Clock::time_point now = Clock::now();
    if (!q.wake && now < q.nextPump) return false;
    q.wake = false;
    q.nextPump = now + std::chrono::milliseconds(q.pumpPollMs);
    std::function<void()> pump = q.pump;
    lock.unlock();
    pump();
    lock.lock();
    return true;
}

// Waits until work may be waiting: a notification, the next timer, the next pump poll, or
// the deadline.
void WaitForWork(std::unique_lock<std::mutex>& lock, ThreadQueue& q, Clock::time_point deadline) {
    Clock::time_point until = deadline;
    for (const TimerEntry& t : q.timers) until = std::min(until, t.due);
    if (q.pump) until = std::min(until, q.nextPump);
    if (q.wake && !q.pump) q.wake = false;
    if (!q.sent.empty() || !q.posted.empty() || q.wake) return;
    if (until == Clock::time_point::max())
        q.cv.wait(lock);
    else
        q.cv.wait_until(lock, until);
}

}  // namespace

WindowHandle CreateWindow(std::string_view className, WindowProc proc) {
    if (!proc) return {};
    std::shared_ptr<ThreadQueue> owner = CurrentQueue();
    Registry& reg = Reg();
    std::lock_guard lock(reg.mutex);
    if (!owner->alive) return {};
    auto rec = std::make_shared<WindowRec>();
    rec->id = reg.nextId++;
    rec->className = std::string(className);
    rec->proc = std::move(proc);
    rec->owner = std::move(owner);
    reg.windows.emplace(rec->id, rec);
    return WindowHandle{rec->id};
}

bool DestroyWindow(WindowHandle window) {
    std::shared_ptr<WindowRec> rec = Lookup(window);
    if (!rec || rec->owner != CurrentQueue()) return false;
    {
        std::lock_guard lock(Reg().mutex);
        rec->destroying = true;
    }
    rec->proc(window, kMsgDestroy, 0, 0);
    std::lock_guard lock(Reg().mutex);
    ForgetWindowLocked(rec);
    return true;
}

bool IsWindow(WindowHandle window) { return Lookup(window) != nullptr; }

bool IsOwnerThread(WindowHandle window) {
    std::shared_ptr<WindowRec> rec = Lookup(window);
    return rec && !t_ended && rec->owner == t_holder.queue;
}

WindowHandle FindWindow(std::string_view className) {
    std::lock_guard lock(Reg().mutex);
    for (auto& [id, rec] : Reg().windows) {
        if (!rec->destroying && rec->className == className) return WindowHandle{id};
    }
    return {};
}

intptr_t SetWindowUserData(WindowHandle window, intptr_t value) {
    std::lock_guard lock(Reg().mutex);
    std::shared_ptr<WindowRec> rec = LookupLocked(window);
    if (!rec) return 0;
    return std::exchange(rec->userData, value);
}

intptr_t GetWindowUserData(WindowHandle window) {
    std::lock_guard lock(Reg().mutex);
    std::shared_ptr<WindowRec> rec = LookupLocked(window);
    return rec ? rec->userData : 0;
}

namespace {

// The common path of SendMessage and CallOnOwnerThread for a window of another thread.
std::optional<LResult> SendAcross(SentItem& item) {
    std::shared_ptr<ThreadQueue> self = CurrentQueue();
    item.sender = self;
    std::unique_lock lock(Reg().mutex);
    std::shared_ptr<WindowRec> rec = LookupLocked(WindowHandle{item.window});
    if (!rec || !rec->owner->alive) return std::nullopt;
    rec->owner->sent.push_back(&item);
    rec->owner->cv.notify_all();
    while (!item.done) {
        if (!self->sent.empty()) {
            SentItem* incoming = self->sent.front();
            self->sent.pop_front();
            HandleSent(lock, incoming);
            continue;
        }
        self->cv.wait(lock);
    }
    if (!item.handled) return std::nullopt;
    return item.result;
}

}  // namespace

LResult SendMessage(WindowHandle window, uint32_t message, WParam wParam, LParam lParam) {
    std::shared_ptr<WindowRec> rec = Lookup(window);
    if (!rec) return 0;
    if (IsOwnerThread(window)) return rec->proc(window, message, wParam, lParam);
    SentItem item;
    item.window = window.id;
    item.message = message;
    item.wParam = wParam;
    item.lParam = lParam;
    return SendAcross(item).value_or(0);
}

std::optional<LResult> CallOnOwnerThread(WindowHandle window, const std::function<LResult()>& fn) {
    if (!Lookup(window)) return std::nullopt;
    if (IsOwnerThread(window)) return fn();
    SentItem item;
    item.window = window.id;
    item.fn = &fn;
    return SendAcross(item);
}

bool PostMessage(WindowHandle window, uint32_t message, WParam wParam, LParam lParam) {
    std::lock_guard lock(Reg().mutex);
    std::shared_ptr<WindowRec> rec = LookupLocked(window);
    if (!rec || !rec->owner->alive) return false;
    rec->owner->posted.push_back(Message{window, message, wParam, lParam});
    rec->owner->cv.notify_all();
    return true;
}

bool SetTimer(WindowHandle window, WParam timerId, uint32_t intervalMs) {
    std::lock_guard lock(Reg().mutex);
    std::shared_ptr<WindowRec> rec = LookupLocked(window);
    if (!rec || !rec->owner->alive) return false;
    intervalMs = std::max<uint32_t>(intervalMs, 1);
    Clock::time_point due = Clock::now() + std::chrono::milliseconds(intervalMs);
    auto& timers = rec->owner->timers;
    auto it = std::find_if(timers.begin(), timers.end(),
                           [&](const TimerEntry& t) { return t.window == window.id && t.id == timerId; });
    if (it != timers.end()) {
        it->intervalMs = intervalMs;
        it->due = due;
    } else {
        timers.push_back(TimerEntry{window.id, timerId, intervalMs, due});
    }
    rec->owner->cv.notify_all();
    return true;
}

bool KillTimer(WindowHandle window, WParam timerId) {
    std::lock_guard lock(Reg().mutex);
    std::shared_ptr<WindowRec> rec = LookupLocked(window);
    if (!rec) return false;
    return std::erase_if(rec->owner->timers, [&](const TimerEntry& t) {
               return t.window == window.id && t.id == timerId;
           }) > 0;
}

LResult RunModal(WindowHandle window, const std::function<bool(const Message&)>& filter) {
    std::shared_ptr<ThreadQueue> self = CurrentQueue();
    std::unique_lock lock(Reg().mutex);
    std::shared_ptr<WindowRec> rec = LookupLocked(window);
    if (!rec || rec->owner != self) return kModalWindowDestroyed;
    if (rec->hasPendingEnd) {
        rec->hasPendingEnd = false;
        return rec->pendingEnd;
    }
    ModalFrame frame;
    frame.window = window.id;
    self->modal.push_back(&frame);
    while (!frame.ended) {
        if (DispatchOne(lock, *self, &filter)) continue;
        if (RunPumpIfDue(lock, *self)) continue;
        if (frame.ended) break;
        WaitForWork(lock, *self, Clock::time_point::max());
    }
    std::erase(self->modal, &frame);
    return frame.result;
}

bool EndModal(WindowHandle window, LResult result) {
    std::lock_guard lock(Reg().mutex);
    std::shared_ptr<WindowRec> rec = LookupLocked(window);
    if (!rec) return false;
    ThreadQueue& q = *rec->owner;
    bool anyFrame = false;
    for (auto it = q.modal.rbegin(); it != q.modal.rend(); ++it) {
        if ((*it)->window != window.id) continue;
        anyFrame = true;
        if (!(*it)->ended) {
            (*it)->ended = true;
            (*it)->result = result;
            q.cv.notify_all();
            return true;
        }
    }
    if (!anyFrame) {
        rec->hasPendingEnd = true;
        rec->pendingEnd = result;
    }
    return true;
}

int PumpMessages(uint32_t waitMs) {
    std::shared_ptr<ThreadQueue> self = CurrentQueue();
    Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(waitMs);
    int handled = 0;
    std::unique_lock lock(Reg().mutex);
    for (;;) {
        if (DispatchOne(lock, *self, nullptr)) {
            ++handled;
            continue;
        }
        if (RunPumpIfDue(lock, *self)) continue;
        if (handled > 0 || Clock::now() >= deadline) break;
        WaitForWork(lock, *self, deadline);
    }
    return handled;
}

void SetThreadEventPump(std::function<void()> pump, uint32_t pollMs) {
    std::shared_ptr<ThreadQueue> self = CurrentQueue();
    std::lock_guard lock(Reg().mutex);
    self->pump = std::move(pump);
    self->pumpPollMs = std::max<uint32_t>(pollMs, 1);
    self->nextPump = Clock::now();
}

void WakeOwnerThread(WindowHandle window) {
    std::lock_guard lock(Reg().mutex);
    std::shared_ptr<WindowRec> rec = LookupLocked(window);
    if (!rec) return;
    rec->owner->wake = true;
    rec->owner->cv.notify_all();
}

LResult DefaultWindowProc(WindowHandle, uint32_t, WParam, LParam) { return 0; }

}  // namespace platform
