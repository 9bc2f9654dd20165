#pragma once

// How many tile sets a map draws from at most: loaded at once in the editor,
// and named by a map file.
constexpr int MaxTileSets = 40;
