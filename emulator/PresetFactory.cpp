#include "PresetFactory.h"

#include <array>
#include <string>

namespace velcora::emu {

namespace {

constexpr std::array<const char*, 20> kCategories{"pad", "bas", "led", "arp", "kb1", "org", "brs",
                                                  "str", "syn", "prc", "kit", "gtr", "vox", "wnd",
                                                  "bel", "sfx", "drm", "pno", "hit", "fx "};
constexpr std::array<const char*, 24> kFirstWords{
    "Warm",  "Dark",   "Big",   "Soft",  "Glass",  "Analog", "Dusty",  "Bright",
    "Deep",  "Hollow", "Wide",  "Fat",   "Cold",   "Velvet", "Rusty",  "Silver",
    "Pulse", "Early",  "Night", "Solar", "Mellow", "Twin",   "Broken", "Lush"};
constexpr std::array<const char*, 24> kSecondWords{
    "Strings", "Bass",  "Keys",   "Choir", "Sweep",  "Pluck", "Organ", "Brass",
    "Bells",   "Lead",  "Drums",  "Pad",   "Voice",  "Flute", "Piano", "Hits",
    "Groove",  "Drone", "Guitar", "Horns", "Mallet", "Sync",  "Stack", "Wash"};

/// splitmix64: small, fast and the same on every platform.
uint64_t Mix(uint64_t& state) {
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

std::string MakeName(uint64_t& state) {
    const char* category = kCategories[Mix(state) % kCategories.size()];
    std::string proper = std::string(kFirstWords[Mix(state) % kFirstWords.size()]) + " " +
                         kSecondWords[Mix(state) % kSecondWords.size()];
    if (proper.size() > 12) {
        proper.resize(12);
    }
    return std::string(category) + ":" + proper;
}

/// Parameters as a synth's presets hold them: many small settings, some full-range values,
/// negative offsets in 14-bit two's complement, and zeros.
void FillParameters(TPreset& preset, uint64_t& state) {
    for (size_t i = TPreset::kNameBytes; i + 1 < preset.Data.size(); i += 2) {
        const uint64_t r = Mix(state);
        uint16_t value = 0;
        switch (r % 8) {
        case 0:
        case 1:
        case 2:
            value = uint16_t((r >> 8) % 16);
            break;
        case 3:
        case 4:
            value = uint16_t((r >> 8) % 128);
            break;
        case 5:
            value = 0;
            break;
        case 6:
            value = uint16_t(0x4000 - 1 - (r >> 8) % 64);
            break;
        default:
            value = uint16_t((r >> 8) % 1000);
            break;
        }
        preset.Data[i] = Lo7(value);
        preset.Data[i + 1] = Hi7(value);
    }
}

TPreset Sized(const TSynthModel& model) {
    TPreset preset;
    preset.Counts = model.HeaderCounts;
    preset.Data.assign(model.DataBytes(), 0);
    return preset;
}

TPreset Generated(const TSynthModel& model, uint64_t seed) {
    TPreset preset = Sized(model);
    uint64_t state = seed;
    preset.SetName(MakeName(state));
    FillParameters(preset, state);
    return preset;
}

} // namespace

TPreset MakeRomPreset(const TSynthModel& model, uint16_t romId, uint16_t index) {
    const uint64_t romSeed = 0x524F4D0000000000ull | (uint64_t(romId) << 16);
    if (index % 50 == 49) {
        TPreset twin = Generated(model, romSeed | uint16_t(index - 1));
        uint64_t state = romSeed ^ 0x7777u ^ index;
        twin.SetName(MakeName(state));
        return twin;
    }
    return Generated(model, romSeed | index);
}

TPreset MakeUserPreset(const TSynthModel& model, int bank, int slot) {
    if (bank == kUserBanks - 1 && slot >= kBankSlots / 2) {
        return MakeInitPreset(model);
    }
    return Generated(model, 0x5553455200000000ull | uint64_t(bank * kBankSlots + slot));
}

TPreset MakeInitPreset(const TSynthModel& model) {
    TPreset preset = Sized(model);
    preset.SetName("ini:Blank Preset");
    // Neutral settings: mostly zero, with a few centred values (pan, key and velocity
    // midpoints) so that the blank is not a run of zeros.
    for (size_t i = TPreset::kNameBytes, n = 0; i + 1 < preset.Data.size(); i += 2, ++n) {
        if (n % 11 == 3) {
            preset.Data[i] = 64;
        } else if (n % 11 == 7) {
            preset.Data[i] = 127;
        }
    }
    return preset;
}

TPreset MakeRandomPreset(const TSynthModel& model, uint64_t seed) {
    TPreset preset = Generated(model, 0x52414E4400000000ull ^ seed);
    uint64_t state = seed;
    const std::string category = kCategories[Mix(state) % kCategories.size()];
    preset.SetName(category + ":Random " + std::to_string(10000 + seed % 90000).substr(0, 5));
    return preset;
}

} // namespace velcora::emu
