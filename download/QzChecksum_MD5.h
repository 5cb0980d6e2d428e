#pragma once
// MD5 digests (16 bytes).

#include "download/QzChecksumHashed.h"

class QzChecksum_MD5 final : public QzChecksumHashed {
public:
    // The shared instance, created on first use (thread-safe) and kept until the process ends.
    static const QzChecksum_MD5& Instance();

    int GetKind() const override { return CCT_MD5; }

protected:
    std::unique_ptr<CryptoPP::HashTransformation> NewHash() const override;
};
