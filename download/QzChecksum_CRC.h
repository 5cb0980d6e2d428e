#pragma once
// CRC-32 digests (4 bytes, least significant first; text of "123456789" is 2639F4CB).

#include "download/QzChecksumHashed.h"

class QzChecksum_CRC final : public QzChecksumHashed {
public:
    // The shared instance, created on first use (thread-safe) and kept until the process ends.
    static const QzChecksum_CRC& Instance();

    int GetKind() const override { return CCT_CRC; }

protected:
    std::unique_ptr<CryptoPP::HashTransformation> NewHash() const override;
};
