#include "download/QzChecksum_CRC.h"

#include "download/ZlibCrc32.h"

const QzChecksum_CRC& QzChecksum_CRC::Instance() {
    // Never destroyed, so that code running at exit can still use it.
    static const QzChecksum_CRC* instance = new QzChecksum_CRC;
    return *instance;
}

std::unique_ptr<CryptoPP::HashTransformation> QzChecksum_CRC::NewHash() const {
    return std::make_unique<ZlibCrc32>();
}
