#include "ui/WebLinks.h"

#include "app/BuiltInValues.h"
#include "ui/ControlIds.h"

namespace {

struct WebLink {
    uint16_t command;
    const char* url;
};

// The game's official site, its Naver Cafe community, YouTube channel, Facebook page and
// Instagram page.
constexpr WebLink kWebLinks[] = {
    {ID_CMD_SITE, DAV_WEB_SITE_URL},
    {ID_CMD_CAFE, DAV_WEB_CAFE_URL},
    {ID_CMD_YOUTUBE, DAV_WEB_YOUTUBE_URL},
    {ID_CMD_FACEBOOK, DAV_WEB_FACEBOOK_URL},
    {ID_CMD_INSTAGRAM, DAV_WEB_INSTAGRAM_URL},
};

}  // namespace

const char* WebLinkUrl(uint16_t command) {
    for (const WebLink& link : kWebLinks) {
        if (link.command == command) return link.url;
    }
    return nullptr;
}
