#pragma once
// The web pages behind the five link buttons of the main dialog.

#include <cstdint>

// The address opened by a link button's command, else nullptr.
const char* WebLinkUrl(uint16_t command);
