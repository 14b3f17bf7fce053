// The library operations that compare or generate patches: de-duplication, Mix and Morph.
#include "LibraryListener.h"
#include "PatchContext.h"
#include "Patchbank.h"
#include "Patchlib.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <random>
#include <unordered_map>

namespace velcora {

namespace {

constexpr int ValueOffset(int j) {
    return 9 + 2 * j;
}

int ValueAt(std::span<const uint8_t> packet, int j) {
    return packet[static_cast<size_t>(ValueOffset(j))] +
           128 * packet[static_cast<size_t>(ValueOffset(j) + 1)];
}

void StoreValue(std::span<uint8_t> packet, int j, int v) {
    packet[static_cast<size_t>(ValueOffset(j))] = static_cast<uint8_t>(v % 128);
    packet[static_cast<size_t>(ValueOffset(j) + 1)] = static_cast<uint8_t>((v / 128) % 128);
}

// Value counts per data packet as Morph walks them: packets 2 to 6 all take packet 2's.
int MorphValueCount(int k, const TDumpSizes& sizes) {
    return sizes.ValueCount(k >= 2 && k <= 6 ? 2 : k);
}

// The three values that switch from the first source to the second half way, as
// (packet, value index): offsets 79, 153 and 227 of packets 3, 4 and 5.
bool SwitchesAtHalf(int k, int j) {
    return (k == 3 && ValueOffset(j) == 79) || (k == 4 && ValueOffset(j) == 153) ||
           (k == 5 && ValueOffset(j) == 227);
}

// Mix and Morph keep each target slot's own header and framing; a slot without a frame at
// the current sizes first takes the blank patch's, so that every result can be saved.
void FrameTarget(TPatchRec& slot, const TPatchContext& ctx) {
    if (!slot.Dump().Framed(ctx.Sizes)) {
        const bool selected = slot.Selected();
        slot.MakeBlank(ctx);
        slot.SetSelected(selected);
    }
}

} // namespace

int TPatchLib::DeDup(const std::function<bool(int)>& among) {
    DeselectAllAndRepaint();
    // A patch is marked when any earlier patch equals it. Equality is an equivalence, so
    // comparing with the first patch of each group of equals (the unmarked ones) is enough;
    // hashing the compared bytes finds the candidates without looking at every pair. First
    // patches with the same hash are chained through `next`.
    std::unordered_map<uint64_t, int> chain;
    chain.reserve(FPatches.size());
    std::vector<int> next(FPatches.size(), -1);
    int marked = 0;
    for (int p = 0; p < Count(); ++p) {
        if (among && !among(p)) {
            continue;
        }
        TPatchRec& rec = *FPatches[static_cast<size_t>(p)];
        const auto [it, isNew] = chain.try_emplace(rec.Dump().CompareHash(FCtx.Sizes), p);
        if (isNew) {
            continue;
        }
        bool duplicate = false;
        int last = -1;
        for (int q = it->second; q >= 0; last = q, q = next[static_cast<size_t>(q)]) {
            if (rec.Dump().SameIgnoringName(FPatches[static_cast<size_t>(q)]->Dump(), FCtx.Sizes)) {
                duplicate = true;
                break;
            }
        }
        if (duplicate) {
            rec.SetSelected(true);
            ++marked;
        } else {
            next[static_cast<size_t>(last)] = p;
        }
    }
    if (FListener != nullptr) {
        FListener->Repaint();
    }
    BuildSelection();
    return marked;
}

bool TPatchLib::Mix(TPatchBank& bank) {
    const auto now = std::chrono::high_resolution_clock::now().time_since_epoch().count();
    return Mix(bank, static_cast<uint32_t>(now ^ (now >> 32)));
}

bool TPatchLib::Mix(TPatchBank& bank, uint32_t seed) {
    BuildSelection();
    if (FSelection.size() < 2) {
        return false;
    }
    std::mt19937 rng(seed);
    std::uniform_int_distribution<size_t> pick(0, FSelection.size() - 1);
    const TDumpSizes& sizes = FCtx.Sizes;
    for (int t = 0; t < TPatchBank::SlotCount; ++t) {
        FrameTarget(bank.Slot(t), FCtx);
        TPatchData& target = bank.Slot(t).Dump();
        for (int k = 1; k <= 7; ++k) {
            auto out = target.Packet(k, sizes);
            for (int j = 0; j < sizes.ValueCount(k); ++j) {
                const auto& source = Patch(FSelection[pick(rng)]).Dump().Packet(k, sizes);
                StoreValue(out, j, ValueAt(source, j));
            }
        }
        char name[32];
        std::snprintf(name, sizeof name, "%03X:Mix %03d", static_cast<unsigned>(FCtx.MixCounter),
                      t);
        bank.Slot(t).SetName(name, sizes);
    }
    bank.Refresh();
    ++FCtx.MixCounter;
    return true;
}

bool TPatchLib::Morph(TPatchBank& bank) {
    BuildSelection();
    if (FSelection.size() < 2) {
        return false;
    }
    const TDumpSizes& sizes = FCtx.Sizes;
    const TPatchData& a = Patch(FSelection[0]).Dump();
    const TPatchData& b = Patch(FSelection[1]).Dump();
    auto namePart = [](const TPatchData& d) {
        // Characters 4..15 of the name: the colon and eleven of the twelve name characters.
        const auto slot = d.Slot(1);
        return std::string(reinterpret_cast<const char*>(slot.data()) + TPatchData::NameOffset + 3,
                           12);
    };
    const std::string nameA = namePart(a);
    const std::string nameB = namePart(b);

    // The quotient of two 14-bit integers by 128 is exact in a 32-bit float, and so is
    // A + t * step for every t < 128 (at most 22 significant bits).
    std::array<std::array<float, 125>, 7> step{};
    for (int k = 1; k <= 7; ++k) {
        const auto pa = a.Slot(k);
        const auto pb = b.Slot(k);
        for (int j = 0; j < MorphValueCount(k, sizes); ++j) {
            step[static_cast<size_t>(k - 1)][static_cast<size_t>(j)] =
                static_cast<float>(ValueAt(pb, j) - ValueAt(pa, j)) / 128.0f;
        }
    }

    for (int t = 0; t < TPatchBank::SlotCount; ++t) {
        const bool secondHalf = t >= 64;
        FrameTarget(bank.Slot(t), FCtx);
        auto& target = bank.Slot(t).Dump();
        for (int k = 1; k <= 7; ++k) {
            // Whole slots: the value count of packet 2 may reach past a shorter packet.
            const auto pa = a.Slot(k);
            const auto pb = b.Slot(k);
            auto out = target.Slot(k);
            for (int j = 0; j < MorphValueCount(k, sizes); ++j) {
                int v;
                if (SwitchesAtHalf(k, j)) {
                    v = ValueAt(secondHalf ? pb : pa, j);
                } else {
                    const float f = static_cast<float>(ValueAt(pa, j)) +
                                    static_cast<float>(t) *
                                        step[static_cast<size_t>(k - 1)][static_cast<size_t>(j)];
                    v = static_cast<int>(f); // cut toward zero
                }
                StoreValue(out, j, v);
            }
        }
        char number[8];
        std::snprintf(number, sizeof number, "%03d", t);
        bank.Slot(t).SetName(std::string(number) + (secondHalf ? nameB : nameA), sizes);
    }
    bank.Refresh();
    return true;
}

} // namespace velcora
