#pragma once

#include "IniFile.h"
#include "SectionSettings.h"

#include <string>

namespace velcora {

/// One section of the settings file, named when it is used: the identified synth's section
/// changes with every identification.
class TIniSection : public ISectionSettings {
public:
    TIniSection(TIniFile& ini, const std::string& section) : FIni(ini), FSection(section) {}

    std::string ReadString(const std::string& key, const std::string& defaultValue) override {
        return FIni.ReadString(FSection, key, defaultValue);
    }
    bool WriteString(const std::string& key, const std::string& value) override {
        return FIni.WriteString(FSection, key, value);
    }

private:
    TIniFile& FIni;
    const std::string& FSection;
};

} // namespace velcora
