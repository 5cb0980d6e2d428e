#pragma once
// The delta engine on xdelta3 (VCDIFF, RFC 3284), compiled into the program and driven
// through its command-line entry point with an argument vector, as its command-line tool
// would be.

#include <string>

#include "patch/QzPatcher.h"

class QzPatcher_xdelta : public QzPatcher {
public:
    // The one process-wide instance, created on first use and never destroyed.
    static QzPatcher_xdelta& Instance();

    // CPT_XDELTA.
    int GetPatchType() override;
    // Runs "xdelta3 -v -e -s source target delta", then rewrites the delta with the QZXD tag
    // in front. Fails with QZP_ENGINE_FAILED when deltaPath already exists (the encoder does
    // not overwrite), like any other failed run.
    int MakeDelta(const std::string& sourcePath, const std::string& targetPath,
                  const std::string& deltaPath) override;
    // Deletes outputPath, then runs "xdelta3 -v -d -s source delta output".
    int ApplyDelta(const std::string& sourcePath, const std::string& deltaPath,
                   const std::string& outputPath) override;
};
