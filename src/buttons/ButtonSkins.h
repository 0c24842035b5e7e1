#pragma once
// The face artwork of the bitmap button styles, "BTN0001" to "BTN0062": 24-bit images drawn here by the
// program itself, magenta where the face is transparent. Each skin keeps its corner work inside the caps
// its style slices it by, so the middle columns (and for the nine-slice styles the middle rows) can be
// tiled without seams.
#include <QImage>
#include <QString>

inline constexpr int ButtonSkinCount = 62;
// The skins the resizable styles slice in nine, in the style list's order, and the width of the borders
// they are sliced by on every side: their middle rows are drawn to repeat as well as their middle columns.
inline constexpr int NineSliceSkins[] = {1, 5, 14, 27, 32, 33};
inline constexpr int NineSliceBorder = 5;

// The skin of that name ("BTN0001" ...). Raises Exception ("Resource BTN0099 not found") for a name
// that is not one of the skins.
QImage ButtonSkin(const QString& Name);
// The skin's name for its number from 1.
QString ButtonSkinName(int Number);
