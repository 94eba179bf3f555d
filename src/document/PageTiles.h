// PageTiles — the sharp zoom levels of a publication's pages: each page drawn again at a few
// resolutions above the zoom image's (144 dpi) and cut into square tiles, so that a viewer
// zoomed in on a dense screen fetches only the tiles of the part it shows, each pixel of them
// over no more than 1.25 of the screen's up to 400% on a screen of 3 device pixels a CSS pixel.
//
// A level's size comes from the page's size as the descriptor records it (whole points, W x H,
// the "normal" image's size): at D dpi its image is trunc(W * D / 72) x trunc(H * D / 72)
// pixels, which the page fills (a fraction of a point is stretched in), so that a viewer that
// reads only the descriptor knows every level's size. A level whose longer side would pass
// kMaxTileLevelSide pixels is left out (a poster-sized page keeps its lower levels).
//     612 x 792 pt at 922 dpi: 7837 x 10142 pixels, 8 x 10 tiles of 1024 pixels, the last
//     column 673 wide and the last row 930 high
//
// Files: DIR "tiles/" N "-" D "-" C "-" R ".jpg" (page N from 1, D dpi, column C and row R
// from 0), each written whole beside itself and renamed into place; the bytes reach the disk
// when the caller flushes the file system (OutputFile.h).
//
// Throws DocumentError naming the file; pdf::Error from the drawing (the page's time and memory
// budgets cover all its tiles).
#pragma once

#include <string>
#include <vector>

#include "pdf/RecordedPage.h"

constexpr int kTileSize = 1024;
constexpr int kTileDpis[] = {324, 576, 922};
constexpr int kMaxTileLevelSide = 16384;
constexpr int kTileQuality = 70;

struct TileLevel {
    int dpi = 0;
    int width = 0;   // pixels
    int height = 0;  // pixels
};

// The levels of a page of widthPoints x heightPoints whole points (the descriptor's "normal"
// size), lowest first.
std::vector<TileLevel> tileLevels(int widthPoints, int heightPoints);

// "tiles/N-D-C-R.jpg".
std::string tileFileName(int page, int dpi, int column, int row);

// Draws every level of the recorded page (whose descriptor size is widthPoints x heightPoints)
// as tiles into dir + "tiles/", which must exist. Runs on any thread with a context.
void writePageTiles(const pdf::RecordedPage& page, int widthPoints, int heightPoints,
                    const std::string& dir);

// What publication.json says of the tiles, for the viewer: {"size":1024,"dpi":[...],"side":N}.
std::string tilesJson();
