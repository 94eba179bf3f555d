// The "createimages" generator: every page to one JPEG file, on every core.
#include "document/PageImages.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <vector>

#include "document/DocumentError.h"
#include "document/OutputFile.h"
#include "document/UsableCpus.h"
#include "pdf/JpegExport.h"
#include "pdf/JpegWriter.h"
#include "pdf/PagePipeline.h"
#include "pdf/Renderer.h"

namespace {

// The density a job's header resolution other than its resolution gives every image.
constexpr int kOtherHeaderDensityDpi = 300;

}  // namespace

std::string imageFileName(const ImageOptions& options, int pageNumber) {
    return options.outputDir + options.prefix + std::to_string(pageNumber) + ".jpg";
}

namespace {

// Whole pixels, truncated toward zero but never 0: a sliver of a page still
// makes an image one pixel across. A value beyond int stays beyond the
// encoder's limit, so the check below refuses it.
int wholePixels(double extent) {
    if (!(extent < 2147483647.0)) return std::numeric_limits<int>::max();
    return std::max(1, static_cast<int>(extent));
}

}  // namespace

// The job's size rule for one page: a width wins over a height, and either
// keeps the page's aspect ratio (the quotient taken first, then truncated);
// without them the page is rendered at the job's resolution.
//   612 x 792 pt, width 150      -> 150 x 194
//   612 x 792 pt, resolution 150 -> 1275 x 1650
//   14000 x 7 pt, width 150      -> 150 x 1
ImagePlan planImage(const pdf::Page& page, const ImageOptions& options) {
    double pw = page.width();
    double ph = page.height();
    ImagePlan plan;
    if (options.width > 0) {
        int w = options.width;
        plan.size = pdf::sizeInPixels(page, w, wholePixels(ph / pw * w));
    } else if (options.height > 0) {
        int h = options.height;
        plan.size = pdf::sizeInPixels(page, wholePixels(pw / ph * h), h);
    } else {
        if (options.resolution <= 0) {
            throw DocumentError("Cannot make page " + std::to_string(page.number()) +
                                " into an image at a resolution of " +
                                std::to_string(options.resolution) + " dpi");
        }
        plan.size = pdf::sizeAtResolution(page, options.resolution);
        plan.size.width = std::max(1, plan.size.width);
        plan.size.height = std::max(1, plan.size.height);
    }
    // The header records the resolution the page was drawn at, or 300 dpi when the job asks
    // for a header resolution other than the resolution.
    double dpi = std::round(plan.size.scaleX * 72.0);
    plan.densityDpi = options.headerResolution != options.resolution
                          ? kOtherHeaderDensityDpi
                          : static_cast<int>(std::min(65535.0, std::max(1.0, dpi)));

    const pdf::RenderSize& s = plan.size;
    if (!pdf::jpegHolds(s.width, s.height)) {
        throw DocumentError("Cannot make page " + std::to_string(page.number()) +
                            " into an image of " + std::to_string(s.width) + " x " +
                            std::to_string(s.height) + " pixels: a JPEG holds from 1 to " +
                            std::to_string(pdf::kMaxJpegDimension) + " pixels per side");
    }
    return plan;
}

int imageWorkers() {
    int workers = 0;
    if (const char* value = std::getenv("QUILLONPROXY_THREADS")) {
        char* end = nullptr;
        long n = std::strtol(value, &end, 10);
        if (end != value && *end == '\0' && n >= 1) {
            workers = static_cast<int>(std::min(n, 256L));
        } else {
            std::fprintf(stderr,
                         "warning: QUILLONPROXY_THREADS is '%s', not a number of threads from 1 "
                         "on; one per usable CPU is used\n",
                         value);
        }
    }
    if (workers == 0) workers = usableCpus();
    if (std::getenv("QUILLONPROXY_DEBUG") != nullptr)
        std::fprintf(stderr, "debug: createimages renders with %d workers\n", workers);
    return workers;
}

void writeImage(const pdf::RecordedPage& page, const ImagePlan& plan, int quality,
                const std::string& path) {
    OutputFile out(path);
    pdf::exportJpeg(page, plan.size, quality, plan.densityDpi, out.stream());
    out.finish(OutputFile::Flush::ByCaller);
    out.rename();
}

bool writeImages(const pdf::Document& document, const ImageOptions& options) {
    int count = document.pageCount();

    // Every page's size is checked before the first file is written, so a
    // page the encoder cannot hold fails the job without leaving a partial
    // image set behind.
    std::vector<ImagePlan> plans;
    plans.reserve(count);
    for (int n = 1; n <= count; ++n) plans.push_back(planImage(document.page(n), options));

    // The pages are interpreted here, one after another; rendering, encoding
    // and writing run on the workers. Each file is written whole or not at
    // all, and the bytes do not depend on the number of workers.
    const int quality = options.quality;
    pdf::forEachRecordedPage(document, imageWorkers(), [&](const pdf::RecordedPage& page) {
        const ImagePlan& plan = plans[page.number() - 1];
        OutputFile out(imageFileName(options, page.number()));
        pdf::exportJpeg(page, plan.size, quality, plan.densityDpi, out.stream());
        out.finish();
        out.rename();
    });
    // One flush of the folder for all the renames: each image is whole on
    // the disk before its rename, old or new.
    OutputFile::syncDirectory(imageFileName(options, 1));
    return true;
}

void reportHeaderResolution(const pdf::Document& document, const ImageOptions& options) {
    if (options.headerResolution == options.resolution) return;
    // Clients read one message an image for the density; the encoder wrote it, so no image is
    // opened again after it is in place.
    for (int n = 1, count = document.pageCount(); n <= count; ++n)
        std::fputs("the complete file content is in memory", stdout);
}
