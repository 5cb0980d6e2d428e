#pragma once
// The PNG files of res/pictures/, as the build embeds them (EmbeddedFiles.cpp is generated
// by EmbedFiles.cmake). Resources.h is the interface the rest of the program uses.

#include <cstddef>
#include <span>

namespace res {

struct EmbeddedFile {
    int id;                       // the number the file name starts with
    const char* fileName;         // e.g. "130_main_background.png"
    const unsigned char* data;
    size_t size;
};

// Every embedded file, ordered by file name.
std::span<const EmbeddedFile> EmbeddedFiles();

}  // namespace res
