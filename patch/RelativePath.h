#pragma once
// Checks on relative paths that come from outside (archive member names, list entries):
// such a path may only name something below the directory it is joined to.

#include <string_view>

// True when path is relative and stays inside the directory it is joined to: not empty,
// not beginning with "/" or "\", no drive prefix ("C:"), and no ".." component, with
// either character as separator.
bool IsContainedRelativePath(std::string_view path);
