#include "Cp1252.h"

#include "Cp1252Table.h"

#include <array>

namespace velcora {

QString FromCp1252(const std::string& bytes) {
    QString out;
    out.reserve(static_cast<qsizetype>(bytes.size()));
    for (char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        if (b >= 0x80 && b < 0xA0) {
            const char16_t u = Cp1252High[b - 0x80];
            out.append(QChar(u != 0 ? u : b));
        } else {
            out.append(QChar(b));
        }
    }
    return out;
}

std::string ToCp1252(const QString& text) {
    std::string out;
    out.reserve(static_cast<size_t>(text.size()));
    for (QChar c : text) {
        const char16_t u = c.unicode();
        // The five unassigned bytes come back as themselves, so no byte is lost on the way
        // to the screen and back.
        const bool unassigned = u >= 0x80 && u < 0xA0 && Cp1252High[u - 0x80] == 0;
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF) || unassigned) {
            out.push_back(static_cast<char>(u));
            continue;
        }
        char mapped = '?';
        for (size_t i = 0; i < Cp1252High.size(); ++i) {
            if (Cp1252High[i] == u && u != 0) {
                mapped = static_cast<char>(0x80 + i);
                break;
            }
        }
        out.push_back(mapped);
    }
    return out;
}

} // namespace velcora
