#pragma once
// The registration of the tag tools: the table of every tool in palette order, with the two rules that
// split the palette into its three groups, and the palette's glyphs.
#include "ToolManager.h"

#include <span>

// Every row in palette order; a separator row has ImageIndex -2 and no class.
std::span<const TToolRow> ToolRows();
// Registers every row with the palette.
void LoadTools(TToolManager& Palette);
// The glyphs of the tool buttons, one per image index.
TToolImages LoadToolImages();
