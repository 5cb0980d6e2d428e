#include "download/CurlGlobal.h"

#include <array>
#include <memory>
#include <mutex>
#include <vector>

namespace {

// One share object with a lock per kind of shared data, as libcurl asks.
struct PooledShare {
    CURLSH* handle = nullptr;
    std::array<std::mutex, CURL_LOCK_DATA_LAST> locks;
};

void LockShare(CURL*, curl_lock_data data, curl_lock_access, void* user) {
    static_cast<PooledShare*>(user)->locks[static_cast<size_t>(data)].lock();
}

void UnlockShare(CURL*, curl_lock_data data, void* user) {
    static_cast<PooledShare*>(user)->locks[static_cast<size_t>(data)].unlock();
}

struct GlobalState {
    std::mutex mutex;
    int refs = 0;
    std::vector<std::unique_ptr<PooledShare>> shares;  // every share made since the first reference
    std::vector<PooledShare*> idle;                      // most recently returned last
};

GlobalState& State() {
    static GlobalState state;
    return state;
}

std::unique_ptr<PooledShare> MakeShare() {
    auto share = std::make_unique<PooledShare>();
    share->handle = curl_share_init();
    if (share->handle == nullptr) return nullptr;
    bool ok = curl_share_setopt(share->handle, CURLSHOPT_USERDATA, share.get()) == CURLSHE_OK &&
              curl_share_setopt(share->handle, CURLSHOPT_LOCKFUNC, LockShare) == CURLSHE_OK &&
              curl_share_setopt(share->handle, CURLSHOPT_UNLOCKFUNC, UnlockShare) == CURLSHE_OK &&
              curl_share_setopt(share->handle, CURLSHOPT_SHARE, CURL_LOCK_DATA_CONNECT) == CURLSHE_OK &&
              curl_share_setopt(share->handle, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS) == CURLSHE_OK;
    if (!ok) {
        curl_share_cleanup(share->handle);
        return nullptr;
    }
    return share;
}

}  // namespace

bool CurlGlobalInit() {
    GlobalState& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    if (state.refs == 0 && curl_global_init(CURL_GLOBAL_ALL) != CURLE_OK) return false;
    ++state.refs;
    return true;
}

void CurlGlobalCleanup() {
    GlobalState& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    if (state.refs == 0) return;
    if (--state.refs > 0) return;
    // Every holder of a share also holds a reference, so all shares are idle here.
    for (auto& share : state.shares) curl_share_cleanup(share->handle);
    state.shares.clear();
    state.idle.clear();
    curl_global_cleanup();
}

int CurlGlobalRefCount() {
    GlobalState& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    return state.refs;
}

CURLSH* BorrowCurlShare() {
    GlobalState& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    if (state.refs == 0) return nullptr;
    if (state.idle.empty()) {
        std::unique_ptr<PooledShare> share = MakeShare();
        if (!share) return nullptr;
        state.shares.push_back(std::move(share));
        return state.shares.back()->handle;
    }
    PooledShare* share = state.idle.back();
    state.idle.pop_back();
    return share->handle;
}

void ReturnCurlShare(CURLSH* handle) {
    if (handle == nullptr) return;
    GlobalState& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    for (auto& share : state.shares) {
        if (share->handle == handle) {
            state.idle.push_back(share.get());
            return;
        }
    }
}
