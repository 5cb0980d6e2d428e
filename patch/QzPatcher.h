#pragma once
// The interface of a delta engine: makes a delta from a source and a target file, and
// rebuilds a target from a source and a delta.

#include <string>

// Kinds of delta engine, returned by GetPatchType.
enum QzPatchType {
    CPT_XDELTA = 2,
};

// Result codes of MakeDelta and ApplyDelta.
enum QzPatcherResult {
    QZP_SUCCESS = 0,
    QZP_ENGINE_FAILED = 2,     // the engine's run failed
    QZP_EMPTY_PATH = 3,        // MakeDelta: a path is empty
    QZP_DELTA_OPEN_FAILED = 4, // MakeDelta: the delta cannot be opened for reading or rewriting
    QZP_DELTA_IO_FAILED = 7,   // MakeDelta: the delta cannot be read whole, or not rewritten
};

class QzPatcher {
public:
    // The engine's kind (a QzPatchType value).
    virtual int GetPatchType() = 0;
    // Writes to deltaPath a package member that rebuilds targetPath from sourcePath: the
    // QZXD tag followed by the delta. Returns a QzPatcherResult.
    virtual int MakeDelta(const std::string& sourcePath, const std::string& targetPath,
                          const std::string& deltaPath) = 0;
    // Rebuilds outputPath from sourcePath and the bare delta in deltaPath (tag removed).
    // outputPath is deleted first, so a stale file never survives a failed run. Returns
    // QZP_SUCCESS or QZP_ENGINE_FAILED.
    virtual int ApplyDelta(const std::string& sourcePath, const std::string& deltaPath,
                           const std::string& outputPath) = 0;
    virtual ~QzPatcher() = default;
};
