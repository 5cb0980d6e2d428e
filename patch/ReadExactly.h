#pragma once
// Reading a known number of bytes from a platform file.

#include <cstddef>

#include "platform/Files.h"

// Reads exactly n bytes into buffer, across short reads. False on a read error or when the
// file ends first.
bool ReadExactly(platform::File& file, void* buffer, size_t n);
