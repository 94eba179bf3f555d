#include "pdf/Renderer.h"

#include <mupdf/fitz.h>
#include <mupdf/pdf.h>

#include <algorithm>
#include <limits>

#include "pdf/Boundary.h"
#include "pdf/Error.h"
#include "pdf/Library.h"
#include "pdf/PageClock.h"

namespace pdf {
namespace {

// Draws columns [x0, x1) of rows [y0, y1) of the raster into a new white pixmap from the
// page's recording.
PixmapHandle drawArea(fz_context* ctx, const RecordedPage& page, fz_matrix transform, int x0,
                      int y0, int x1, int y1, PageClock& clock) {
    PixmapHandle pix(ctx);
    DeviceHandle dev(ctx);
    guarded(ctx, page.place(), "cannot render", [&] {
        fz_irect area = fz_make_irect(x0, y0, x1, y1);
        pix.out() = fz_new_pixmap_with_bbox(ctx, fz_device_rgb(ctx), area, nullptr, 0);
        fz_clear_pixmap_with_value(ctx, pix.get(), 255);
        dev.out() = fz_new_draw_device(ctx, fz_identity, pix.get());
        fz_run_display_list(ctx, page.handle(), dev.get(), transform, fz_rect_from_irect(area),
                            clock.cookie());
        fz_close_device(ctx, dev.get());
    });
    clock.check();
    return pix;
}

}  // namespace

RenderSize sizeAtResolution(const Page& page, double dpi) {
    double scale = dpi / 72.0;
    // A hair of tolerance keeps 1274.99999 (float noise in the page box)
    // from losing a whole pixel.
    // Beyond int it is out of any raster's range; it stays so.
    auto pixels = [](double extent) {
        return extent + 1e-3 < 2147483647.0 ? static_cast<int>(extent + 1e-3)
                                            : std::numeric_limits<int>::max();
    };
    return {pixels(page.width() * scale), pixels(page.height() * scale), scale, scale};
}

RenderSize sizeInPixels(const Page& page, int width, int height) {
    return {width, height, width / page.width(), height / page.height()};
}

void renderRecorded(const RecordedPage& page, const RenderSize& size, const BandSink& sink,
                    std::size_t bandBytes) {
    if (size.width <= 0 || size.height <= 0) {
        throw Error(page.place(), "cannot render at " + std::to_string(size.width) + " x " +
                                      std::to_string(size.height) + " pixels");
    }
    fz_context* ctx = Library::context();
    PageClock clock(page.place(), "cannot render", page.recordingSeconds());
    std::size_t rowBytes = static_cast<std::size_t>(size.width) * 3;
    int bandRows = static_cast<int>(std::max<std::size_t>(1, bandBytes / rowBytes));
    bandRows = std::min(bandRows, size.height);

    // The recording is in page space already, so only the scale to the
    // raster remains.
    fz_matrix transform =
        fz_scale(static_cast<float>(size.scaleX), static_cast<float>(size.scaleY));
    for (int y0 = 0; y0 < size.height; y0 += bandRows) {
        int y1 = std::min(size.height, y0 + bandRows);
        PixmapHandle band = drawArea(ctx, page, transform, 0, y0, size.width, y1, clock);
        sink(fz_pixmap_samples(ctx, band.get()), y0, y1 - y0);
    }
}

void renderTiles(const RecordedPage& page, const RenderSize& size, int tileSize,
                 const TileSink& sink) {
    if (size.width <= 0 || size.height <= 0 || tileSize <= 0) {
        throw Error(page.place(), "cannot render at " + std::to_string(size.width) + " x " +
                                      std::to_string(size.height) + " pixels");
    }
    fz_context* ctx = Library::context();
    PageClock clock(page.place(), "cannot render", page.recordingSeconds());
    fz_matrix transform =
        fz_scale(static_cast<float>(size.scaleX), static_cast<float>(size.scaleY));
    for (int y0 = 0; y0 < size.height; y0 += std::min(tileSize, size.height - y0)) {
        const int y1 = y0 + std::min(tileSize, size.height - y0);
        for (int x0 = 0; x0 < size.width; x0 += std::min(tileSize, size.width - x0)) {
            const int x1 = x0 + std::min(tileSize, size.width - x0);
            PixmapHandle tile = drawArea(ctx, page, transform, x0, y0, x1, y1, clock);
            sink(fz_pixmap_samples(ctx, tile.get()), x0, y0, x1 - x0, y1 - y0);
        }
    }
}

void renderPage(const Page& page, const RenderSize& size, const BandSink& sink,
                std::size_t bandBytes) {
    if (size.width <= 0 || size.height <= 0) {
        throw Error(page.place(), "cannot render at " + std::to_string(size.width) + " x " +
                                      std::to_string(size.height) + " pixels");
    }
    renderRecorded(recordPage(page), size, sink, bandBytes);
}

}  // namespace pdf
