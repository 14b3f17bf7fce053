#include "SynthModel.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

namespace velcora::emu {

namespace {

// Section sizes of the dump header, low byte first: common general, reserved, common effects,
// common links, layers, and per layer: general, filter, LFO, envelope, patchcord parameters.
// The Audity and the 253-byte-packet machines send exactly these (see their real dumps); a
// Proteus 2000 preset is two bytes longer than an Audity one, one more common parameter.
constexpr std::array<uint8_t, kHeaderCountsSize> kAudityCounts{
    0x34, 0, 0x12, 0, 0x10, 0, 0x14, 0, 0x04, 0, 0x1F, 0, 0x03, 0, 0x0A, 0, 0x2A, 0, 0x48, 0};
constexpr std::array<uint8_t, kHeaderCountsSize> kProteusCounts{
    0x35, 0, 0x12, 0, 0x10, 0, 0x14, 0, 0x04, 0, 0x1F, 0, 0x03, 0, 0x0A, 0, 0x2A, 0, 0x48, 0};
constexpr std::array<uint8_t, kHeaderCountsSize> kClass3Counts{
    0x38, 0, 0x13, 0, 0x10, 0, 0x14, 0, 0x04, 0, 0x1F, 0, 0x03, 0, 0x0A, 0, 0x2A, 0, 0x48, 0};

std::vector<TSynthModel> MakeModels() {
    std::vector<TSynthModel> models;
    auto add = [&](uint16_t code, const char* name, int modelClass, const char* version,
                   std::vector<TRomInfo> roms) {
        TSynthModel model;
        model.MemberCode = code;
        model.Name = name;
        model.Class = modelClass;
        std::copy_n(version, 4, model.Version.begin());
        model.Roms = std::move(roms);
        model.HeaderCounts = modelClass == 1   ? kAudityCounts
                             : modelClass == 2 ? kProteusCounts
                                               : kClass3Counts;
        // The Audity's dumps leave the ROM id bytes at zero even for its ROM presets.
        model.HeaderCarriesRomId = modelClass != 1;
        models.push_back(std::move(model));
    };
    // ROM ids as the family numbers its sound sets; preset counts a multiple of 128 except
    // where a set really ends mid-bank. Each machine with a 4-bank limit for direct ROM
    // requests has a ROM larger than that.
    add(2, "Audity 2000", 1, "1.10", {{3, 300, 1110}});
    add(3, "Proteus 2000", 2, "1.20", {{4, 512, 1024}, {5, 640, 548}});
    add(4, "B-3", 2, "1.20", {{6, 384, 512}});
    add(21, "Proteus 1000", 2, "1.20", {{4, 512, 1024}});
    add(13, "XL-7", 3, "2.00", {{14, 1024, 1270}, {13, 512, 800}});
    add(14, "MP-7", 3, "2.00", {{15, 640, 1002}});
    add(15, "Proteus 2500", 3, "2.00", {{17, 640, 1200}, {4, 512, 1024}});
    return models;
}

std::string Normalize(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (std::isalnum(static_cast<unsigned char>(c))) {
            out.push_back(char(std::tolower(static_cast<unsigned char>(c))));
        }
    }
    return out;
}

} // namespace

size_t TSynthModel::DataBytes() const {
    auto count = [&](size_t i) {
        return size_t(Join14(HeaderCounts[2 * i], HeaderCounts[2 * i + 1]));
    };
    const size_t common = count(0) + count(1) + count(2) + count(3);
    const size_t perLayer = count(5) + count(6) + count(7) + count(8) + count(9);
    constexpr size_t kNameBytes = 16;
    return kNameBytes + 2 * (common + count(4) * perLayer);
}

size_t TSynthModel::PacketDataBytes(int k) const {
    const size_t full = PacketSize() - kPacketOverhead;
    if (k >= 1 && k <= 6) {
        return full;
    }
    return k == 7 ? DataBytes() - 6 * full : 0;
}

const TRomInfo* TSynthModel::FindRom(uint16_t id) const {
    const auto it =
        std::find_if(Roms.begin(), Roms.end(), [id](const TRomInfo& rom) { return rom.Id == id; });
    return it == Roms.end() ? nullptr : &*it;
}

TSynthModel TSynthModel::WithShorterPackets(size_t bytes) const {
    if (PacketShortening + bytes > kMaxPacketShortening) {
        throw std::invalid_argument("packets can be at most " +
                                    std::to_string(kMaxPacketShortening) + " bytes shorter");
    }
    TSynthModel variant = *this;
    variant.PacketShortening += bytes;
    // Six packets of `bytes` fewer data bytes each, two bytes a parameter.
    const uint16_t common = Join14(HeaderCounts[0], HeaderCounts[1]) - uint16_t(3 * bytes);
    variant.HeaderCounts[0] = uint8_t(common & 0x7F);
    variant.HeaderCounts[1] = uint8_t(common >> 7);
    return variant;
}

std::span<const TSynthModel> SynthModels() {
    static const std::vector<TSynthModel> models = MakeModels();
    return models;
}

const TSynthModel* FindSynthModel(std::string_view key) {
    const std::string wanted = Normalize(key);
    if (wanted.empty()) {
        return nullptr;
    }
    for (const TSynthModel& model : SynthModels()) {
        if (Normalize(model.Name) == wanted || std::to_string(model.MemberCode) == wanted) {
            return &model;
        }
    }
    return nullptr;
}

const TSynthModel& DefaultSynthModel() {
    return *FindSynthModel("Proteus 2000");
}

} // namespace velcora::emu
