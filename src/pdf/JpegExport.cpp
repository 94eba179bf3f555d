#include "pdf/JpegExport.h"

#include "pdf/Error.h"
#include "pdf/JpegWriter.h"

namespace pdf {

void exportJpeg(const RecordedPage& page, const RenderSize& size, int quality, int densityDpi,
                std::FILE* out) {
    if (size.width > kMaxJpegDimension || size.height > kMaxJpegDimension) {
        throw Error(page.place(), "image of " + std::to_string(size.width) + " x " +
                                      std::to_string(size.height) +
                                      " pixels exceeds the JPEG limit of " +
                                      std::to_string(kMaxJpegDimension) + " pixels per side");
    }
    if (size.width <= 0 || size.height <= 0) {
        throw Error(page.place(), "cannot make an image of " + std::to_string(size.width) +
                                      " x " + std::to_string(size.height) + " pixels");
    }
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
