#pragma once

#include <cstdint>
#include <string>

namespace kvt::infra {

// A colour as the station software stores it: 0x00BBGGRR, or 0xFF0000nn for the system colour
// number nn (button face, window text...).
using TColor = std::uint32_t;

inline constexpr TColor clBlack = 0x00000000;
inline constexpr TColor clBtnFace = 0xFF00000F;
// "Take the default colour" in AddString.
inline constexpr TColor clDefault = 0x20000000;

// Font style bits, one byte.
inline constexpr std::uint8_t fsBold = 1;
inline constexpr std::uint8_t fsItalic = 2;
inline constexpr std::uint8_t fsUnderline = 4;
inline constexpr std::uint8_t fsStrikeOut = 8;
// "Take the default style" in AddString: all four bits.
inline constexpr std::uint8_t fsDefault = 15;

// Alignment values of a line.
inline constexpr std::uint8_t taLeft = 0;
inline constexpr std::uint8_t taRight = 1;
inline constexpr std::uint8_t taCenter = 2;

// One line of text in the progress window.
struct TStringItem {
    std::int32_t Id = 0;  // lines are shown in ascending Id order
    std::string Text{};
    std::uint8_t Alignment = taLeft;
    bool WordWrap = false;
    std::string FontName{};
    std::int32_t FontSize = 8;  // points
    std::uint8_t FontStyle = 0;
    TColor Color = clBlack;
    std::int32_t Height = 0;  // pixels, set by the layout
};

}  // namespace kvt::infra
