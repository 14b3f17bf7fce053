#include "ConsoleDialogs.h"

#include <ostream>

namespace velcora {

TAnswer TConsoleDialogs::MessageBox(TMessageKind kind, const std::string& text, TButtons buttons) {
    if (kind == TMessageKind::Warning || kind == TMessageKind::Error) {
        Problems.push_back(text);
    }
    // The blank line ends a progress line the message would otherwise continue.
    FErr << "\n" << text << "\n";
    return buttons == TButtons::Ok      ? TAnswer::Ok
           : buttons == TButtons::YesNo ? TAnswer::No
                                        : TAnswer::Cancel;
}

} // namespace velcora
