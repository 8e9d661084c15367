#include "host/station/ShortCutKeys.h"

#include <array>
#include <optional>
#include <utility>

namespace kvt::station {

namespace {

constexpr ShortCut kKeyMask = 0x00FF;
constexpr ShortCut vkKeypad9 = 0x69;
constexpr ShortCut vkF24 = 0x87;

constexpr std::array<std::pair<ShortCut, Qt::Key>, 20> kNamedKeys{{
    {0x08, Qt::Key_Backspace}, {0x09, Qt::Key_Tab},    {0x0D, Qt::Key_Return},
    {0x1B, Qt::Key_Escape},    {0x20, Qt::Key_Space},  {0x21, Qt::Key_PageUp},
    {0x22, Qt::Key_PageDown},  {0x23, Qt::Key_End},    {0x24, Qt::Key_Home},
    {0x25, Qt::Key_Left},      {0x26, Qt::Key_Up},     {0x27, Qt::Key_Right},
    {0x28, Qt::Key_Down},      {0x2D, Qt::Key_Insert}, {0x2E, Qt::Key_Delete},
    {0x6A, Qt::Key_Asterisk},  {0x6B, Qt::Key_Plus},   {0x6D, Qt::Key_Minus},
    {0x6E, Qt::Key_Period},    {0x6F, Qt::Key_Slash},
}};

// The keypad's operator keys (0x6A..0x6F) are keypad keys like its digits.
bool onKeypad(ShortCut key) {
    return key >= vkNumpad0 && key <= 0x6F;
}

std::optional<Qt::Key> qtKeyOf(ShortCut key) {
    if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z'))
        return static_cast<Qt::Key>(key);  // Qt::Key_0.., Qt::Key_A.. are the ASCII codes
    if (key >= vkNumpad0 && key <= vkKeypad9)
        return static_cast<Qt::Key>(Qt::Key_0 + (key - vkNumpad0));
    if (key >= vkF1 && key <= vkF24)
        return static_cast<Qt::Key>(Qt::Key_F1 + (key - vkF1));
    for (const auto& [virtualKey, qtKey] : kNamedKeys)
        if (virtualKey == key)
            return qtKey;
    return std::nullopt;
}

}  // namespace

QKeySequence keySequenceOf(ShortCut shortCut) {
    const ShortCut key = shortCut & kKeyMask;
    const std::optional<Qt::Key> qtKey = qtKeyOf(key);
    if (!qtKey)
        return {};
    Qt::KeyboardModifiers modifiers;
    if (shortCut & scShift)
        modifiers |= Qt::ShiftModifier;
    if (shortCut & scCtrl)
        modifiers |= Qt::ControlModifier;
    if (shortCut & scAlt)
        modifiers |= Qt::AltModifier;
    if (onKeypad(key))
        modifiers |= Qt::KeypadModifier;
    return QKeySequence(QKeyCombination(modifiers, *qtKey));
}

}  // namespace kvt::station
