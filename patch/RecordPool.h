#pragma once

#include "Patchrec.h"

#include <cstddef>
#include <memory>
#include <vector>

namespace velcora {

/// Owns the library's patch records in a few large blocks rather than one allocation each:
/// a library file of 20000 patches is read into one block, which costs a fraction of 20000
/// separate allocations, and rows move by moving pointers to records that stay in place.
class TRecordPool {
public:
    /// A record to fill; its previous content is left for the caller to overwrite whole.
    TPatchRec* Acquire();
    /// Gives a record back for reuse.
    void Release(TPatchRec* rec) { FFree.push_back(rec); }
    /// Makes sure that n records can be acquired, new ones in one block.
    void Reserve(size_t n);
    /// Frees every block; every record acquired before becomes invalid.
    void Clear();

private:
    static constexpr size_t MinBlock = 128;

    std::vector<std::unique_ptr<TPatchRec[]>> FBlocks;
    std::vector<TPatchRec*> FFree;
};

} // namespace velcora
