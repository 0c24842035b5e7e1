#pragma once
// Colour text of HTML attributes and CSS declarations ("#RRGGBB", "#RGB", "rgb(r,g,b)" with numbers or
// percentages, colour keywords) to and from a 32-bit colour value: red in the lowest byte, then green,
// then blue (0x00BBGGRR). A system colour is 0xFF000000 plus its index (0..24); its keywords name it.
#include <QString>
#include <QStringView>
#include <array>
#include <cstdint>
#include <string_view>

struct TColorKeyword
{
    std::string_view Name;
    std::uint32_t Value;
};

// 171 rows ordered by value as an unsigned number; where values are equal, the first row is the
// keyword ColorToHtml writes (Fuchsia before Magenta, Aqua before Cyan, ButtonFace, ButtonShadow).
extern const std::array<TColorKeyword, 171> ColorKeywords;

// The value of a colour text; 0 when the text is empty or not a colour text.
std::uint32_t HtmlToColor(std::string_view Text);
std::uint32_t HtmlToColor(QStringView Text);

// The keyword of the value when one has it, else "#" and red, green, blue in upper-case hexadecimal.
QString ColorToHtml(std::uint32_t Color);
