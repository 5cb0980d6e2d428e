#pragma once
// Copies a finished file over its destination so that a crash leaves the old file or the new
// one, never half of one: the source is copied to a temporary sibling of the destination,
// flushed to disk, and renamed over it. A read-only destination has its attribute cleared
// first. Fails (nothing changed) when the source does not exist or any step fails; the
// temporary sibling is removed on failure.

#include <string>

bool CopyIntoPlace(const std::string& source, const std::string& destination);
