#include "RecordPool.h"

namespace velcora {

TPatchRec* TRecordPool::Acquire() {
    if (FFree.empty()) {
        Reserve(MinBlock);
    }
    TPatchRec* rec = FFree.back();
    FFree.pop_back();
    return rec;
}

void TRecordPool::Reserve(size_t n) {
    if (FFree.size() >= n) {
        return;
    }
    const size_t count = n - FFree.size();
    FBlocks.push_back(std::make_unique<TPatchRec[]>(count));
    TPatchRec* block = FBlocks.back().get();
    FFree.reserve(FFree.size() + count);
    // Handed out in ascending order, so that a file's records lie in memory as in the file.
    for (size_t i = count; i > 0; --i) {
        FFree.push_back(block + (i - 1));
    }
}

void TRecordPool::Clear() {
    FFree.clear();
    FBlocks.clear();
}

} // namespace velcora
