#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace velcora {

/// The settings file: an INI file read and written key by key, the way the Windows profile
/// functions treat one. Section and key names are matched without regard to letter case,
/// values are kept raw (trimmed of surrounding blanks, nothing escaped), every other line
/// and comment of a hand-edited file is kept as it stands, the file is created by the first
/// write and each write replaces it atomically. Every read looks at the file as it is now.
class TIniFile {
public:
    explicit TIniFile(std::string path) : FPath(std::move(path)) {}

    const std::string& Path() const { return FPath; }

    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view defaultValue) const;
    /// The value as a decimal (or $/0x hexadecimal) integer; the default when the key is
    /// missing or its value is not a number.
    int ReadInteger(std::string_view section, std::string_view key, int defaultValue) const;
    /// Writes one key at once. False when the file could not be written, or when the value
    /// holds a line break (which would spill into other keys).
    bool WriteString(std::string_view section, std::string_view key, std::string_view value);
    bool WriteInteger(std::string_view section, std::string_view key, int value);

    /// Whether a key can be written so that it reads back: no line break in the value, a
    /// key that does not look like a section, a comment or an assignment, a plain section name.
    static bool CanWrite(std::string_view section, std::string_view key, std::string_view value);
    /// The value of a key in INI text, if the key is there.
    static std::optional<std::string> Lookup(std::string_view text, std::string_view section,
                                             std::string_view key);
    /// The INI text with one key set, every other line kept.
    static std::string Update(std::string_view text, std::string_view section, std::string_view key,
                              std::string_view value);
    /// An integer as ReadInteger reads it, or nothing.
    static std::optional<int> ParseInteger(std::string_view value);

private:
    std::string FPath;
};

} // namespace velcora
