#include "Preset.h"

#include <algorithm>

namespace velcora::emu {

std::string TPreset::Name() const {
    const size_t n = std::min(kNameBytes, Data.size());
    return std::string(Data.begin(), Data.begin() + std::ptrdiff_t(n));
}

void TPreset::SetName(std::string_view name) {
    if (Data.size() < kNameBytes) {
        Data.resize(kNameBytes, 0);
    }
    for (size_t i = 0; i < kNameBytes; ++i) {
        const auto c = i < name.size() ? static_cast<unsigned char>(name[i]) : ' ';
        Data[i] = (c >= 0x20 && c < 0x7F) ? uint8_t(c) : uint8_t(' ');
    }
}

} // namespace velcora::emu
