#pragma once
// The window's pictures decoded once and kept for the life of the process, so drawing a
// frame never decodes a PNG again.

#include "res/Image.h"

// The decoded picture with resource id id; an empty image when there is none.
const res::Image& CachedPicture(int id);
