#pragma once

#include <stdexcept>
#include <string>

namespace velcora {

/// Raised by TMidiOutput; the text is meant for the person.
class EMidiOutputError : public std::runtime_error {
public:
    explicit EMidiOutputError(const std::string& text) : std::runtime_error(text) {}
};

} // namespace velcora
