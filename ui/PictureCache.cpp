#include "ui/PictureCache.h"

#include "res/Resources.h"

#include <map>
#include <memory>
#include <mutex>

const res::Image& CachedPicture(int id) {
    static std::mutex mutex;
    // Never destroyed: pictures may be drawn while static objects are torn down.
    static auto* cache = new std::map<int, std::unique_ptr<res::Image>>;
    std::lock_guard lock(mutex);
    auto it = cache->find(id);
    if (it == cache->end()) {
        auto image = std::make_unique<res::Image>();
        res::LoadPicture(id, *image);
        it = cache->emplace(id, std::move(image)).first;
    }
    return *it->second;
}
