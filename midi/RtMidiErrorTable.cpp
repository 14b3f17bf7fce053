#include "RtMidiErrorTable.h"

#include "MidiResult.h"

#include <algorithm>

namespace velcora {

uint32_t TRtMidiErrorTable::CodeFor(const std::string& text) {
    std::lock_guard guard(FLock);
    auto it = std::find(FTexts.begin(), FTexts.end(), text);
    if (it == FTexts.end()) {
        FTexts.push_back(text);
        it = FTexts.end() - 1;
    }
    return TMidiResult::DriverBase + uint32_t(it - FTexts.begin());
}

bool TRtMidiErrorTable::Text(uint32_t code, std::string& text) const {
    std::lock_guard guard(FLock);
    if (code < TMidiResult::DriverBase || code - TMidiResult::DriverBase >= FTexts.size()) {
        return false;
    }
    text = FTexts[code - TMidiResult::DriverBase];
    return true;
}

} // namespace velcora
