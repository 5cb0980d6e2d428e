#include "download/QzChecksum_SHA1.h"

#include <cryptopp/sha.h>

const QzChecksum_SHA1& QzChecksum_SHA1::Instance() {
    // Never destroyed, so that code running at exit can still use it.
    static const QzChecksum_SHA1* instance = new QzChecksum_SHA1;
    return *instance;
}

std::unique_ptr<CryptoPP::HashTransformation> QzChecksum_SHA1::NewHash() const {
    return std::make_unique<CryptoPP::SHA1>();
}
