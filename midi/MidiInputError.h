#pragma once

#include <stdexcept>
#include <string>

namespace velcora {

/// Raised by TMidiInput; the text is meant for the person.
class EMidiInputError : public std::runtime_error {
public:
    explicit EMidiInputError(const std::string& text) : std::runtime_error(text) {}
};

} // namespace velcora
