#include "DumpBuilder.h"

#include "ByteStream.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <random>

namespace velcora::test {

TPatchWorld::TPatchWorld(TModelClass modelClass) {
    Ctx.SetDefaultSizes(modelClass);
    Ctx.ProbePatch = &Probe;
    Ctx.ClipBank = &Clip;
    TDumpSpec blank;
    blank.Seed = 999;
    blank.Name = "---:Blank       ";
    blank.Low = 127;
    blank.High = 127;
    Fill(Blank, blank);
    Ctx.BlankPatch = &Blank;
}

void TPatchWorld::Fill(TPatchRec& rec, const TDumpSpec& made) {
    const auto bytes = MakeDump(Ctx.Sizes, made);
    TByteReader in(bytes);
    const int saved = Ctx.CurUserBank;
    Ctx.CurUserBank = made.High < 4 ? made.High : 0;
    rec.ReadDump(in, Ctx);
    Ctx.CurUserBank = saved;
    if (made.High >= 4) {
        rec.Dump().Slot(0)[8] = made.High;
    }
}

void ExpectSameExceptStamped(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b,
                             const TDumpSizes& sizes, bool loopFormToo) {
    ASSERT_EQ(a.size(), b.size());
    auto skipped = StampedBytes(sizes);
    if (loopFormToo) {
        size_t start = 0;
        for (int p = 0; p < TDumpSizes::PacketCount; ++p) {
            skipped[start + 6] = true;
            start += static_cast<size_t>(sizes.PacketSize(p));
        }
    }
    const size_t total = skipped.size();
    size_t differences = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i] && !skipped[i % total]) {
            ADD_FAILURE() << "byte " << i << " (dump " << i / total << ", offset " << i % total
                          << "): " << int(a[i]) << " vs " << int(b[i]);
            if (++differences > 5) {
                return;
            }
        }
    }
}

} // namespace velcora::test
