#pragma once

namespace velcora {

/// The mouse button of a press in a bank view.
enum class TMouseButton { Left, Right, Middle };

/// The modifier keys held at a press or a key press.
struct TShiftState {
    bool Shift = false;
    bool Ctrl = false;
    bool Alt = false;
};

/// The key codes the bank views' commands are matched by: the letter keys by their capital
/// letters, whatever the keyboard layout types.
namespace TKey {
constexpr int Backspace = 8;
constexpr int Enter = 13;
constexpr int Shift = 16;
constexpr int Ctrl = 17;
constexpr int Escape = 27;
constexpr int Up = 38;
constexpr int Down = 40;
constexpr int Delete = 46;
constexpr int A = 65;
constexpr int C = 67;
constexpr int L = 76;
constexpr int O = 79;
constexpr int S = 83;
constexpr int V = 86;
constexpr int Y = 89;
constexpr int Z = 90;
} // namespace TKey

} // namespace velcora
