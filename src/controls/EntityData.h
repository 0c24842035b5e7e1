#pragma once
// The character entities the entity panel offers, in four groups ("Common", "Math", "Latin", "Greek").
// Glyph numbers run on across the groups in this order, so the glyph sheet holds every group's tiles.
#include <QString>
#include <span>

class TEntityView;

struct TEntityEntry
{
    const char* Entity; // the reference inserted, such as "&copy;"
    const char* Hint;   // the English description; several lines separated by carriage returns
};

inline constexpr int EntityGroupCount = 4;
inline constexpr int EntityGlyphCount = 203;

// The entries of one group in the order they appear; empty for a group other than 0-3.
std::span<const TEntityEntry> EntityGroup(int Group);
// The glyph number of the group's first entry (0 for a group other than 0-3).
int EntityGroupFirstGlyph(int Group);

// Refills the view with one group; a group other than 0-3 leaves it empty.
void FillEntityList(TEntityView* View, int Group);
