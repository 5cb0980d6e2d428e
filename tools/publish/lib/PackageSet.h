#pragma once
// Writes a list of members into one or more ZIP packages, starting a new package whenever
// the current one has reached a size budget, and reports each package's name, size and MD5
// as the package lines of a description need them.

#include <cstdint>
#include <string>
#include <vector>

#include "tools/publish/lib/ZipPackageWriter.h"

struct PackageMember {
    std::string name;        // member name inside the package
    std::string sourcePath;  // file holding the member's bytes
    ZipMethod method = ZipMethod::Deflate;
};

struct WrittenPackage {
    std::string name;             // file name, in the directory the packages were written to
    int64_t size = 0;
    std::string md5;              // upper-case digest text
    std::vector<size_t> members;  // indexes into the member list
};

// Writes members, in order, into dir as namePrefix + "0.zip", namePrefix + "1.zip", ...; a
// package is closed once its members' sizes reach maxBytes (a single larger member gets a
// package of its own). No members gives no package. False, with a reason in error, when a
// package cannot be written or digested.
bool WritePackages(const std::string& dir, const std::string& namePrefix,
                   const std::vector<PackageMember>& members, uint64_t maxBytes,
                   std::vector<WrittenPackage>& packages, std::string* error = nullptr);

// Writes an archive without file members as dir + "\" + name, for a description whose
// package only carries delete entries. It holds one directory entry, which extraction passes
// over: the archive reader refuses archives with no entry at all.
bool WriteEmptyPackage(const std::string& dir, const std::string& name, WrittenPackage& package,
                       std::string* error = nullptr);
