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
    {ID_CMD_SITE, DAV_WEB_HOME_URL},
    {ID_CMD_CAFE, DAV_WEB_NOTICE_URL},
    {ID_CMD_YOUTUBE, DAV_WEB_EVENT_URL},
    {ID_CMD_FACEBOOK, DAV_WEB_GUIDE_URL},
    {ID_CMD_INSTAGRAM, DAV_WEB_SUPPORT_URL},
};

}  // namespace

const char* WebLinkUrl(uint16_t command) {
    for (const WebLink& link : kWebLinks) {
        if (link.command == command) return link.url;
    }
    return nullptr;
}
