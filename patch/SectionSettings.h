#pragma once

#include <string>

namespace velcora {

/// The keys of the identified synth's section of the settings file, as the patch layer
/// reads and writes them (bank and library file names).
class ISectionSettings {
public:
    virtual ~ISectionSettings() = default;

    virtual std::string ReadString(const std::string& key, const std::string& defaultValue) = 0;
    /// Writes one key at once; false when the settings file could not be written.
    virtual bool WriteString(const std::string& key, const std::string& value) = 0;
};

} // namespace velcora
