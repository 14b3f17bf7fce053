// Finding the preset dumps in the bytes of a collection file, and telling the rest apart.
#include "PresetScan.h"

#include "DumpMaker.h"
#include "TempDir.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>

using namespace velcora;
using namespace velcora::test;

namespace {

const TDumpSizes Proteus = TDumpSizes::ForModelClass(TModelClass::Proteus);
const TDumpSizes Audity = TDumpSizes::ForModelClass(TModelClass::Audity);
const TDumpSizes Station = TDumpSizes::ForModelClass(TModelClass::CommandStation);

std::vector<uint8_t> Dump(const TDumpSizes& sizes, uint32_t seed = 1) {
    TDumpSpec made;
    made.Seed = seed;
    return MakeDump(sizes, made);
}

std::vector<uint8_t> Join(std::initializer_list<std::vector<uint8_t>> parts) {
    std::vector<uint8_t> out;
    for (const auto& p : parts) {
        Append(out, p);
    }
    return out;
}

/// Offset of data packet k (1..7) in a dump of the sizes.
size_t PacketAt(const TDumpSizes& sizes, int k) {
    size_t at = 0;
    for (int p = 0; p < k; ++p) {
        at += static_cast<size_t>(sizes.PacketSize(p));
    }
    return at;
}

std::vector<uint8_t> OpenLoop(const TDumpSizes& sizes) {
    std::vector<uint8_t> out;
    for (const auto& p : MakeOpenLoopPackets(sizes)) {
        Append(out, p);
    }
    return out;
}

std::vector<uint8_t> WithByte(std::vector<uint8_t> bytes, size_t at, uint8_t value) {
    bytes.at(at) = value;
    return bytes;
}

std::vector<uint8_t> Cut(std::vector<uint8_t> bytes, size_t length) {
    bytes.resize(length);
    return bytes;
}

const std::vector<uint8_t> ArpPattern = [] {
    std::vector<uint8_t> m(285, 0x01);
    m[0] = 0xF0;
    m[1] = 0x18;
    m[2] = 0x0F;
    m[3] = 0x00;
    m[4] = 0x55;
    m[5] = 0x18;
    m.back() = 0xF7;
    return m;
}();
const std::vector<uint8_t> Foreign = {0xF0, 0x41, 0x10, 0x42, 0x12, 0x00, 0xF7};
const std::vector<uint8_t> Text = {'h', 'e', 'l', 'l', 'o', '\n'};

} // namespace

TEST(PresetScan, CountsWhatTheBytesHold) {
    const size_t p3 = PacketAt(Proteus, 3);
    const struct Case {
        const char* What;
        std::vector<uint8_t> Bytes;
        TPresetScan Expected;
    } cases[] = {
        {"one closed-loop dump", Dump(Proteus), {1, 0, 0, 0, 0}},
        {"one open-loop dump", OpenLoop(Proteus), {1, 0, 0, 0, 0}},
        {"a bank of three", MakeDumps(Proteus, 3), {3, 0, 0, 0, 0}},
        {"no checksum (7F) is accepted",
         WithByte(Dump(Proteus), PacketAt(Proteus, 4) - 2, 0x7F),
         {1, 0, 0, 0, 0}},
        {"nothing", {}, {0, 0, 0, 0, 0}},
        {"a foreign message cut short", Cut(Foreign, 4), {0, 0, 0, 1, 0}},
        {"text", Text, {0, 0, 0, 0, 6}},
        {"an arpeggiator pattern and a foreign message",
         Join({ArpPattern, Foreign}),
         {0, 2, 0, 0, 0}},
        {"dumps of the other classes", Join({Dump(Audity), Dump(Station)}), {0, 0, 2, 0, 0}},
        {"a wrong checksum", WithByte(Dump(Proteus), p3 - 2, 0x11), {0, 0, 0, 1, 0}},
        {"a packet cut short", Cut(Dump(Proteus), p3 + 40), {0, 0, 0, 1, 0}},
        {"a packet without its end", WithByte(Dump(Proteus), p3 - 1, 0x00), {0, 0, 0, 1, 0}},
        {"packets in the wrong order",
         WithByte(Dump(Proteus), PacketAt(Proteus, 2) + 7, 0x03),
         {0, 0, 0, 1, 0}},
        {"a header alone, then a good dump",
         Join({Cut(Dump(Proteus), 36), Dump(Proteus, 2)}),
         {1, 0, 0, 1, 0}},
        {"data packets without a header",
         [] {
             const auto d = Dump(Proteus);
             return std::vector<uint8_t>(d.begin() + 36, d.end());
         }(),
         {0, 0, 0, 1, 0}},
        {"a dump broken by another message",
         [&] {
             auto d = Dump(Proteus);
             d.insert(d.begin() + static_cast<long>(p3), Foreign.begin(), Foreign.end());
             return d;
         }(),
         {0, 1, 0, 1, 0}},
        {"presets among junk",
         Join({Text, Dump(Proteus), ArpPattern, Dump(Audity), Dump(Proteus, 5)}),
         {2, 1, 1, 0, 6}},
        // The rest of the broken packet, up to the next F0, is no message at all.
        {"a stray status byte ends a message",
         WithByte(Dump(Proteus), p3 + 100, 0xF8),
         {0, 0, 0, 1, static_cast<size_t>(Proteus.BlockSize(3) - 100)}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        std::vector<std::string> names;
        const TPresetScan scan = ScanPresets(c.Bytes, Proteus, [&](const TFoundDump& packets) {
            ASSERT_EQ(packets[0].size(), 36u);
            for (int p = 1; p < TDumpSizes::PacketCount; ++p) {
                EXPECT_EQ(packets[static_cast<size_t>(p)].size(),
                          static_cast<size_t>(Proteus.BlockSize(p)));
                EXPECT_EQ(packets[static_cast<size_t>(p)].back(), 0xF7);
            }
            names.emplace_back(packets[1].begin() + 9, packets[1].begin() + 25);
        });
        EXPECT_EQ(scan.Presets, c.Expected.Presets);
        EXPECT_EQ(scan.OtherSysex, c.Expected.OtherSysex);
        EXPECT_EQ(scan.OtherModel, c.Expected.OtherModel);
        EXPECT_EQ(scan.Damaged, c.Expected.Damaged);
        EXPECT_EQ(scan.StrayBytes, c.Expected.StrayBytes);
        EXPECT_EQ(names.size(), static_cast<size_t>(c.Expected.Presets));
    }
}

TEST(PresetScan, EachClassFindsItsOwnDumps) {
    const auto mixed = Join({Dump(Audity), Dump(Proteus), Dump(Station), Dump(Station, 3)});
    EXPECT_EQ(ScanPresets(mixed, Audity, [](const TFoundDump&) {}).Presets, 1);
    EXPECT_EQ(ScanPresets(mixed, Proteus, [](const TFoundDump&) {}).Presets, 1);
    EXPECT_EQ(ScanPresets(mixed, Station, [](const TFoundDump&) {}).Presets, 2);
    EXPECT_EQ(ScanPresets(mixed, Station, [](const TFoundDump&) {}).OtherModel, 2);
}

TEST(PresetScan, EveryPrefixOfADumpIsDamagedNeverFound) {
    // Nothing is read past the end, and a cut dump never passes for a whole one.
    const auto dump = Dump(Proteus);
    for (size_t n = 1; n < dump.size(); ++n) {
        const std::vector<uint8_t> cut(dump.begin(), dump.begin() + static_cast<long>(n));
        const TPresetScan scan = ScanPresets(
            cut, Proteus, [](const TFoundDump&) { ADD_FAILURE() << "a cut dump was found"; });
        ASSERT_EQ(scan.Damaged, 1) << n;
    }
}

TEST(PresetScan, RealHardwareDumpsAreFoundWithTheirChecksums) {
    const std::string bank = RealFixture("audity2000-user-bank0.syx");
    if (bank.empty()) {
        GTEST_SKIP() << "real dumps not found beside the project";
    }
    const auto bytes = ReadBytes(bank);
    int found = 0;
    const TPresetScan scan = ScanPresets(bytes, Audity, [&](const TFoundDump& packets) {
        EXPECT_EQ(packets[0].data(), bytes.data() + static_cast<size_t>(found) * 1605);
        ++found;
    });
    EXPECT_EQ(scan.Presets, 128);
    EXPECT_FALSE(scan.HasJunk());
    EXPECT_EQ(ScanPresets(bytes, Proteus, [](const TFoundDump&) {}).OtherModel, 128);
    for (const char* name : {"audity2000-setup-dump.syx", "cs-arp-pattern.syx"}) {
        const std::string path = RealFixture(name);
        const TPresetScan other = ScanPresets(ReadBytes(path), Station, [](const TFoundDump&) {});
        EXPECT_EQ(other.Presets, 0) << name;
        EXPECT_EQ(other.OtherSysex, 1) << name;
    }
    const TPresetScan single = ScanPresets(ReadBytes(RealFixture("cs-composer-editbuffer.syx")),
                                           Station, [](const TFoundDump&) {});
    EXPECT_EQ(single.Presets, 1);
}

TEST(LibraryRecords, OnlyAWholeLibraryOfTheSizesIsTakenForOne) {
    const auto count = [](uint32_t n) {
        return std::vector<uint8_t>{static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8),
                                    static_cast<uint8_t>(n >> 16), static_cast<uint8_t>(n >> 24)};
    };
    const auto notes = [](const std::string& a, const std::string& b, const std::string& c) {
        std::vector<uint8_t> out;
        for (const std::string* note : {&a, &b, &c}) {
            out.insert(out.end(), note->begin(), note->end());
            out.push_back(0);
        }
        return out;
    };
    const auto good = Join(
        {count(2), notes("one", "", "x"), Dump(Proteus, 1), notes("", "", ""), Dump(Proteus, 2)});
    const auto records = LibraryRecords(good, Proteus);
    ASSERT_TRUE(records.has_value());
    ASSERT_EQ(records->size(), 2u);
    EXPECT_EQ((*records)[0].Notes[0], "one");
    EXPECT_EQ((*records)[0].Notes[2], "x");
    EXPECT_TRUE(std::ranges::equal((*records)[1].Dump, Dump(Proteus, 2)));

    auto noEnd = Join({count(1), std::vector<uint8_t>(1200, 'a'), Dump(Proteus)});
    const struct {
        const char* What;
        std::vector<uint8_t> Bytes;
        TDumpSizes Sizes;
    } refused[] = {
        {"a SysEx file", Join({Dump(Proteus, 1), Dump(Proteus, 2)}), Proteus},
        {"another model's sizes", good, Audity},
        {"no records", Join({count(0), notes("", "", "")}), Proteus},
        {"more records than bytes", Join({count(3), notes("", "", ""), Dump(Proteus)}), Proteus},
        {"a note without its end", noEnd, Proteus},
        {"bytes after the last record", Join({good, {0x00}}), Proteus},
        {"a record cut short", std::vector<uint8_t>(good.begin(), good.end() - 1), Proteus},
        {"too short for a count", {0x01, 0x00}, Proteus},
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(c.What);
        EXPECT_FALSE(LibraryRecords(c.Bytes, c.Sizes).has_value());
    }
}
