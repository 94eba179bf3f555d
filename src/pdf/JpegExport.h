// Export of one page as a JPEG file's bytes.
//
// Renders the page in bands (Renderer.h) and hands each band straight to the
// JPEG encoder (JpegWriter.h), so memory stays bounded for any pixel size.
// The same recording, size and settings give the same bytes on any thread.
//
// Ownership: `out` stays the caller's; it is written from its current
// position and not closed. On failure part of an image may have been written:
// callers write to a temporary file and keep it only on success.
// Throws pdf::Error naming file and page.
#pragma once

#include <cstdio>
#include <functional>
#include <string>

#include "pdf/Page.h"
#include "pdf/Renderer.h"

namespace pdf {

// REQUIRES: 1 <= densityDpi <= 65535. Any thread with a context.
void exportJpeg(const RecordedPage& page, const RenderSize& size, int quality, int densityDpi,
                std::FILE* out);

// Exports the raster of `size` as tiles (renderTiles), each a JPEG of its own handed to `sink`
// with its column and row (from 0) in the grid of tiles.
using JpegTileSink = std::function<void(int column, int row, const std::string& jpeg)>;
// REQUIRES: tileSize > 0; 1 <= densityDpi <= 65535. Any thread with a context.
void exportJpegTiles(const RecordedPage& page, const RenderSize& size, int tileSize, int quality,
                     int densityDpi, const JpegTileSink& sink);

// Records the page and exports the recording.
// REQUIRES: 1 <= densityDpi <= 65535; on the page's thread.
void exportJpeg(const Page& page, const RenderSize& size, int quality, int densityDpi,
                std::FILE* out);

}  // namespace pdf
