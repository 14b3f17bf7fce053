#include "IniFile.h"

#include "SafeFile.h"

#include <cstdint>
#include <limits>
#include <vector>

namespace velcora {

namespace {

// No settings file of this program comes near this; a larger one is read only this far.
constexpr size_t MaxIniBytes = 4 * 1024 * 1024;

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (IsBlank(s.front()) || s.front() == '\r')) {
        s.remove_prefix(1);
    }
    while (!s.empty() && (IsBlank(s.back()) || s.back() == '\r')) {
        s.remove_suffix(1);
    }
    return s;
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (Lower(a[i]) != Lower(b[i])) {
            return false;
        }
    }
    return true;
}

/// One line of the file, without its line break.
struct TLine {
    size_t Begin;
    size_t End;
};

std::vector<TLine> SplitLines(std::string_view text) {
    std::vector<TLine> lines;
    size_t at = 0;
    while (at < text.size()) {
        const size_t nl = text.find('\n', at);
        const size_t end = nl == std::string_view::npos ? text.size() : nl;
        lines.push_back({at, end});
        at = end + 1;
    }
    return lines;
}

/// The section name of a "[name]" line, or nothing.
std::optional<std::string_view> SectionOf(std::string_view line) {
    line = Trim(line);
    if (line.empty() || line.front() != '[') {
        return std::nullopt;
    }
    const size_t close = line.find(']');
    if (close == std::string_view::npos) {
        return std::nullopt;
    }
    return Trim(line.substr(1, close - 1));
}

bool IsComment(std::string_view line) {
    line = Trim(line);
    return !line.empty() && (line.front() == ';' || line.front() == '#');
}

/// Where a key line's key and value lie.
struct TKeyLine {
    std::string_view Key;
    size_t ValueStart; ///< offset within the line of the first value character
};

std::optional<TKeyLine> KeyOf(std::string_view line) {
    if (IsComment(line)) {
        return std::nullopt;
    }
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view key = Trim(line.substr(0, eq));
    if (key.empty()) {
        return std::nullopt;
    }
    size_t v = eq + 1;
    while (v < line.size() && IsBlank(line[v])) {
        ++v;
    }
    return TKeyLine{key, v};
}

/// Where a key is, or would go, in the text.
struct TPlace {
    bool SectionFound = false;
    bool KeyFound = false;
    size_t KeyLine = 0;     ///< index of the key's line
    size_t InsertAfter = 0; ///< index of the section's last non-blank line
};

TPlace Find(std::string_view text, const std::vector<TLine>& lines, std::string_view section,
            std::string_view key) {
    TPlace place;
    bool inSection = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string_view line = text.substr(lines[i].Begin, lines[i].End - lines[i].Begin);
        if (auto name = SectionOf(line)) {
            if (place.SectionFound) {
                break; // only the first section of that name counts, as on Windows
            }
            inSection = SameName(*name, section);
            if (inSection) {
                place.SectionFound = true;
                place.InsertAfter = i;
            }
            continue;
        }
        if (!inSection) {
            continue;
        }
        if (!Trim(line).empty()) {
            place.InsertAfter = i;
        }
        if (auto k = KeyOf(line); k && SameName(k->Key, key)) {
            place.KeyFound = true;
            place.KeyLine = i;
            return place;
        }
    }
    return place;
}

} // namespace

bool TIniFile::CanWrite(std::string_view section, std::string_view key, std::string_view value) {
    const std::string_view k = Trim(key);
    return value.find_first_of("\r\n") == std::string_view::npos && !k.empty() &&
           k.find_first_of("=\r\n") == std::string_view::npos && k.front() != '[' &&
           k.front() != ';' && k.front() != '#' &&
           section.find_first_of("]\r\n") == std::string_view::npos;
}

std::optional<std::string> TIniFile::Lookup(std::string_view text, std::string_view section,
                                            std::string_view key) {
    const auto lines = SplitLines(text);
    const TPlace place = Find(text, lines, Trim(section), Trim(key));
    if (!place.KeyFound) {
        return std::nullopt;
    }
    const TLine& l = lines[place.KeyLine];
    const std::string_view line = text.substr(l.Begin, l.End - l.Begin);
    const auto k = KeyOf(line);
    return std::string(Trim(line.substr(k->ValueStart)));
}

std::string TIniFile::Update(std::string_view text, std::string_view section, std::string_view key,
                             std::string_view value) {
    section = Trim(section);
    key = Trim(key);
    const std::string_view eol = text.find("\r\n") != std::string_view::npos ? "\r\n" : "\n";
    const auto lines = SplitLines(text);
    const TPlace place = Find(text, lines, section, key);

    std::string out;
    out.reserve(text.size() + section.size() + key.size() + value.size() + 8);
    if (place.KeyFound) {
        // Keep the line's own spelling of the key and its spacing around "=".
        const TLine& l = lines[place.KeyLine];
        const std::string_view line = text.substr(l.Begin, l.End - l.Begin);
        const size_t valueStart = KeyOf(line)->ValueStart;
        out.append(text.substr(0, l.Begin + valueStart));
        out.append(value);
        if (!line.empty() && line.back() == '\r') {
            out.push_back('\r');
        }
        out.append(text.substr(l.End));
        return out;
    }
    if (place.SectionFound) {
        const TLine& l = lines[place.InsertAfter];
        out.append(text.substr(0, l.End));
        if (l.End == text.size()) {
            out.append(eol);
        } else {
            out.append(text.substr(l.End, 1)); // the line's own "\n"
        }
        out.append(key).append("=").append(value).append(eol);
        if (l.End + 1 < text.size()) {
            out.append(text.substr(l.End + 1));
        }
        return out;
    }
    out.append(text);
    if (!out.empty() && out.back() != '\n') {
        out.append(eol);
    }
    if (!out.empty()) {
        out.append(eol);
    }
    out.append("[").append(section).append("]").append(eol);
    out.append(key).append("=").append(value).append(eol);
    return out;
}

std::optional<int> TIniFile::ParseInteger(std::string_view value) {
    value = Trim(value);
    bool negative = false;
    if (!value.empty() && (value.front() == '-' || value.front() == '+')) {
        negative = value.front() == '-';
        value.remove_prefix(1);
    }
    int base = 10;
    if (!value.empty() && value.front() == '$') {
        base = 16;
        value.remove_prefix(1);
    } else if (value.size() > 1 && value[0] == '0' && (value[1] == 'x' || value[1] == 'X')) {
        base = 16;
        value.remove_prefix(2);
    }
    if (value.empty()) {
        return std::nullopt;
    }
    int64_t n = 0;
    for (char c : value) {
        int digit;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (base == 16 && Lower(c) >= 'a' && Lower(c) <= 'f') {
            digit = Lower(c) - 'a' + 10;
        } else {
            return std::nullopt;
        }
        n = n * base + digit;
        if (n > int64_t{std::numeric_limits<int>::max()} + 1) {
            return std::nullopt;
        }
    }
    n = negative ? -n : n;
    if (n > std::numeric_limits<int>::max() || n < std::numeric_limits<int>::min()) {
        return std::nullopt;
    }
    return static_cast<int>(n);
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key,
                                 std::string_view defaultValue) const {
    const TFileRead file = ReadFilePrefix(FPath, MaxIniBytes);
    if (!file.Ok) {
        return std::string(defaultValue);
    }
    const std::string_view text(reinterpret_cast<const char*>(file.Bytes.data()),
                                file.Bytes.size());
    auto value = Lookup(text, section, key);
    return value ? *value : std::string(defaultValue);
}

int TIniFile::ReadInteger(std::string_view section, std::string_view key, int defaultValue) const {
    // A missing key reads as empty, which is no number either.
    return ParseInteger(ReadString(section, key, "")).value_or(defaultValue);
}

bool TIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    if (!CanWrite(section, key, value)) {
        return false;
    }
    std::string text;
    if (FileExists(FPath)) {
        const TFileRead file = ReadFilePrefix(FPath, MaxIniBytes);
        if (!file.Ok || file.Bytes.size() >= MaxIniBytes) {
            return false; // never replace a file that could not be read whole
        }
        text.assign(reinterpret_cast<const char*>(file.Bytes.data()), file.Bytes.size());
    }
    const std::string updated = Update(text, section, key, value);
    return WriteFileAtomically(
               FPath, std::span(reinterpret_cast<const uint8_t*>(updated.data()), updated.size()))
        .Ok;
}

bool TIniFile::WriteInteger(std::string_view section, std::string_view key, int value) {
    return WriteString(section, key, std::to_string(value));
}

} // namespace velcora
