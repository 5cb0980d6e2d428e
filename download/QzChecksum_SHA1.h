#pragma once
// SHA-1 digests (20 bytes). DigestStringText writes lower-case digits (the device identity
// is built on that form); every other text form is upper case.

#include "download/QzChecksumHashed.h"

class QzChecksum_SHA1 final : public QzChecksumHashed {
public:
    // The shared instance, created on first use (thread-safe) and kept until the process ends.
    static const QzChecksum_SHA1& Instance();

    int GetKind() const override { return CCT_SHA1; }

protected:
    std::unique_ptr<CryptoPP::HashTransformation> NewHash() const override;
    bool LowerCaseStringText() const override { return true; }
};
