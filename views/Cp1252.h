#pragma once

#include <QString>
#include <string>

namespace velcora {

/// Names and notes are kept one byte a character in the Windows-1252 set, as the synth and
/// the files hold them; these convert for display and back from the person's typing.
QString FromCp1252(const std::string& bytes);
/// Characters outside the set become "?".
std::string ToCp1252(const QString& text);

} // namespace velcora
