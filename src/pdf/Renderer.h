// Page rendering to RGB pixels, one horizontal band at a time.
//
// The whole shown page (page space, see Page.h) is scaled to fill a raster of
// RenderSize::width x height pixels, row 0 at the top; anything the rounding
// leaves uncovered is white. Content and annotation appearances are drawn,
// anti-aliased.
//
// Large rasters are never held whole: the page is drawn into bands of at most
// bandBytes (and at least one row), and each band is handed to the sink as
// soon as it is finished, so peak memory is one band plus the page's display
// list, whatever the raster's size. Pixels are 8-bit RGB, 3 bytes each, rows
// of exactly width * 3 bytes, no padding.
//
// A recorded page (RecordedPage.h) renders on any thread that has a context;
// the same recording and size give the same pixels on every thread.
//
// Throws pdf::Error naming file and page; an exception thrown by the sink
// propagates unchanged after the band's memory is released.
#pragma once

#include <cstddef>
#include <functional>

#include "pdf/Page.h"
#include "pdf/RecordedPage.h"

namespace pdf {

struct RenderSize {
    int width = 0;      // pixels
    int height = 0;     // pixels
    double scaleX = 1;  // pixels per point
    double scaleY = 1;
};

// The raster for rendering at dpi dots per inch: the page's size in points
// times dpi/72, truncated to whole pixels (842 pt at 150 dpi: 1754 pixels).
RenderSize sizeAtResolution(const Page& page, double dpi);

// A raster of exactly width x height pixels that the page fills; the two
// scales differ by no more than the rounding of the caller's pixel sizes.
RenderSize sizeInPixels(const Page& page, int width, int height);

// Receives `rows` finished rows of pixels, top to bottom, starting at row
// `firstRow`; the memory is valid only during the call.
using BandSink = std::function<void(const unsigned char* pixels, int firstRow, int rows)>;

constexpr std::size_t kDefaultBandBytes = 32u << 20;

// Receives one tile: rows x width pixels (rows of width * 3 bytes) of the raster, its top-left
// corner at column x, row y; the memory is valid only during the call.
using TileSink =
    std::function<void(const unsigned char* pixels, int x, int y, int width, int rows)>;

// Renders the raster of `size` as tiles of tileSize x tileSize pixels (smaller at the right and
// bottom edges), left to right within a row of tiles, rows top to bottom, each drawn on its own
// (one tile's memory at a time, whatever the raster's size); a tile's pixels are those of the
// same place in renderRecorded's raster. The page's time budget covers all its tiles.
//     1000 x 700 pixels, tileSize 512: tiles (0,0) 512x512, (512,0) 488x512, (0,512) 512x188,
//     (512,512) 488x188
// REQUIRES: size.width > 0, size.height > 0 and tileSize > 0.
void renderTiles(const RecordedPage& page, const RenderSize& size, int tileSize,
                 const TileSink& sink);

// REQUIRES: size.width > 0 and size.height > 0.
void renderRecorded(const RecordedPage& page, const RenderSize& size, const BandSink& sink,
                    std::size_t bandBytes = kDefaultBandBytes);

// Records the page (recordPage) and renders the recording.
// REQUIRES: size.width > 0 and size.height > 0; on the page's thread.
void renderPage(const Page& page, const RenderSize& size, const BandSink& sink,
                std::size_t bandBytes = kDefaultBandBytes);

}  // namespace pdf
