#include "pdf/JpegExport.h"

#include <cstdlib>

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

namespace {

// A FILE* writing into memory (open_memstream), closed on destruction.
class MemoryFile {
  public:
    MemoryFile() : file_(open_memstream(&data_, &size_)) {}
    ~MemoryFile() {
        if (file_ != nullptr) std::fclose(file_);
        std::free(data_);
    }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    std::FILE* stream() const { return file_; }
    // What was written; REQUIRES: stream() is not null.
    std::string bytes() {
        std::fflush(file_);
        return std::string(data_, size_);
    }

  private:
    char* data_ = nullptr;
    std::size_t size_ = 0;
    std::FILE* file_;
};

}  // namespace

void exportJpegTiles(const RecordedPage& page, const RenderSize& size, int tileSize, int quality,
                     int densityDpi, const JpegTileSink& sink) {
    try {
        renderTiles(page, size, tileSize,
                    [&](const unsigned char* pixels, int x, int y, int width, int rows) {
                        MemoryFile memory;
                        if (memory.stream() == nullptr)
                            throw Error("cannot encode a tile", "out of memory");
                        JpegWriter jpeg(memory.stream(), width, rows, quality, densityDpi, true);
                        jpeg.writeRows(pixels, rows);
                        jpeg.finish();
                        sink(x / tileSize, y / tileSize, memory.bytes());
                    });
    } catch (const Error& e) {
        throw e.within(page.place());
    }
}

void exportJpeg(const Page& page, const RenderSize& size, int quality, int densityDpi,
                std::FILE* out) {
    exportJpeg(recordPage(page), size, quality, densityDpi, out);
}

}  // namespace pdf
