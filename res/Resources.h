#pragma once
// The window's pictures, embedded in the program at build time from res/pictures/. Each is
// known by its resource id (ResourceIds.h) and kept as the PNG file it was drawn as.

#include <span>

#include "res/Image.h"
#include "res/ResourceIds.h"

namespace res {

struct Picture {
    int id = 0;
    const char* name = "";                  // e.g. "main_background"; the file is "<id>_<name>.png"
    int width = 0;                          // the size the window is laid out for
    int height = 0;
    std::span<const unsigned char> png;     // the embedded PNG file (empty when it is missing)
};

// Every picture of the main dialog and the message box, ordered by id.
std::span<const Picture> AllPictures();

// The picture with resource id id; nullptr when there is none.
const Picture* FindPicture(int id);

// Decodes the picture with resource id id into out; false (out empty) when there is no
// such picture or its bytes do not decode.
bool LoadPicture(int id, Image& out);

}  // namespace res
