#include "pdf/JpegExport.h"

#include "pdf/Error.h"
#include "pdf/JpegWriter.h"

namespace pdf {

void exportJpeg(const RecordedPage& page, const RenderSize& size, int quality, int densityDpi,
                std::FILE* out) {
    // The writer refuses a size no JPEG holds before anything is drawn.
    try {
        JpegWriter jpeg(out, size.width, size.height, quality, densityDpi);
        renderRecorded(page, size, [&jpeg](const unsigned char* pixels, int, int rows) {
            jpeg.writeRows(pixels, rows);
        });
        jpeg.finish();
    } catch (const Error& e) {
        // The encoder's failures know no page; the renderer's already do.
        throw e.within(page.place());
    }
}

void exportJpeg(const Page& page, const RenderSize& size, int quality, int densityDpi,
                std::FILE* out) {
    exportJpeg(recordPage(page), size, quality, densityDpi, out);
}

}  // namespace pdf
