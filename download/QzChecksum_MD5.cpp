#define CRYPTOPP_ENABLE_NAMESPACE_WEAK 1
#include "download/QzChecksum_MD5.h"

#include <cryptopp/md5.h>

const QzChecksum_MD5& QzChecksum_MD5::Instance() {
    // Never destroyed, so that code running at exit can still use it.
    static const QzChecksum_MD5* instance = new QzChecksum_MD5;
    return *instance;
}

std::unique_ptr<CryptoPP::HashTransformation> QzChecksum_MD5::NewHash() const {
    return std::make_unique<CryptoPP::Weak1::MD5>();
}
