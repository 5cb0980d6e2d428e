#pragma once
// The light envelope around the small text files the update server delivers (version file
// lists, patch and install descriptions): a 100-byte header followed by the text, the whole
// file XORed byte by byte with a 128-byte key (the byte at file offset p with key[p % 128]).
// The plain header holds the magic "SEPCIAL_FILE_HD" with its NUL at offset 0 and the
// payload's CRC-32 text (8 upper-case hexadecimal digits) at offset 24. A file without the
// envelope is taken as plain text. The transform is its own inverse: the producer applies
// the same key.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

inline constexpr size_t SPECIAL_FILE_KEY_SIZE = 128;
inline constexpr size_t SPECIAL_FILE_HEAD_SIZE = 100;
// The magic with its terminating NUL: 16 bytes.
inline constexpr char SPECIAL_FILE_MAGIC[] = "SEPCIAL_FILE_HD";
inline constexpr size_t SPECIAL_FILE_MAGIC_SIZE = sizeof SPECIAL_FILE_MAGIC;
inline constexpr size_t SPECIAL_FILE_CRC_OFFSET = 24;
inline constexpr size_t SPECIAL_FILE_CRC_SIZE = 8;
// Files of this size or more are refused.
inline constexpr size_t SPECIAL_FILE_MAX_SIZE = 31457280;
// Seed of the key generator, shared with the producer of enveloped files.
inline constexpr uint32_t SPECIAL_FILE_KEY_SEED = 0x20161222;

using SpecialFileKey = std::array<uint8_t, SPECIAL_FILE_KEY_SIZE>;

// Fills key: 128 draws of the Microsoft C runtime's rand() sequence seeded with
// SPECIAL_FILE_KEY_SEED, each taken modulo 255. No global generator state is touched.
void MakeCryptKey(SpecialFileKey& key);

// data points at the first SPECIAL_FILE_HEAD_SIZE bytes of an enciphered file. True when
// their deciphered first 16 bytes are the magic (NUL included); then the 100 plain header
// bytes are copied to head when head is not null. False for a null data or no magic.
bool CheckSpecialFileHead(const uint8_t* data, const SpecialFileKey& key, uint8_t* head);

// Unwraps the file at path in place. True when the file now holds plain text: it carried
// the envelope and its CRC-32 matched, or it carried none (shorter than the header or no
// magic) and was left untouched. False when it cannot be opened or read, is
// SPECIAL_FILE_MAX_SIZE bytes or larger (left untouched), cannot be rewritten, or fails the
// CRC check; in the last case the file keeps the deciphered text and the log gets
// "memcmp Error strCrc = %s cryptHead =%s".
bool DecryptSpecialFile(const SpecialFileKey& key, const std::string& path);

// The XOR transform over bytes that stand at file offsets offset, offset+1, ...; applying
// it twice restores the bytes.
void ApplySpecialFileKey(const SpecialFileKey& key, size_t offset, uint8_t* bytes, size_t size);
