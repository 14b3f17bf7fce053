#include "QuietDialogs.h"

namespace velcora {

TAnswer TQuietDialogs::MessageBox(TMessageKind kind, const std::string& text, TButtons buttons) {
    FShown.emplace_back(kind, text);
    switch (buttons) {
    case TButtons::Ok:
        return TAnswer::Ok;
    case TButtons::YesNo:
        return TAnswer::No;
    case TButtons::YesNoCancel:
    case TButtons::OkCancel:
        break;
    }
    return TAnswer::Cancel;
}

TFileChoice TQuietDialogs::OpenFile(const std::string&, const std::string&, const std::string&,
                                    const std::string& fileName) {
    return {false, fileName};
}

TFileChoice TQuietDialogs::SaveFile(const std::string&, const std::string&, const std::string&,
                                    const std::string& fileName) {
    return {false, fileName};
}

TPathsChoice TQuietDialogs::OpenPaths(const std::string&, const std::string&, const std::string&,
                                      bool) {
    return {};
}

} // namespace velcora
