#pragma once
// Produces the envelope that the launcher unwraps (patch/Envelope.h): a 100-byte header
// with the magic at offset 0 and the payload's CRC-32 text at offset 24 (the other header
// bytes zero), followed by the payload, the whole XORed with the key of MakeCryptKey.

#include <string>

// Wraps plain into out. False, out unchanged, when the result would reach the launcher's
// size bound (SPECIAL_FILE_MAX_SIZE) and so be refused.
bool MakeEnvelope(const std::string& plain, std::string& out);

// Replaces the file at path by its enveloped form. False, file unchanged, when it cannot be
// read, is too large to wrap, or cannot be written.
bool WrapFileInEnvelope(const std::string& path);
