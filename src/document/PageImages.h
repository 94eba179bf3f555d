// Page images: the size rule of "createimages" and the writer of one page's image from its
// recording, shared by the job and the publication.
//
// Sizes are whole pixels; the recording is in page space (RecordedPage.h) and only scaled.
// Throws DocumentError naming the page (an image the encoder cannot hold, a resolution that
// makes none) or the file; pdf::Error from the drawing.
#pragma once

#include <string>

#include "document/GeneratorOptions.h"
#include "pdf/Document.h"
#include "pdf/Page.h"
#include "pdf/RecordedPage.h"
#include "pdf/Renderer.h"

struct ImagePlan {
    pdf::RenderSize size;
    int densityDpi = 72;  // what the JFIF header records
};

// outputDir + prefix + N + ".jpg".
std::string imageFileName(const ImageOptions& options, int pageNumber);

// The job's size rule for one page: a width wins over a height, and either keeps the page's
// aspect ratio (the quotient taken first, then truncated); without them the page is rendered at
// the job's resolution.
//   612 x 792 pt, width 150      -> 150 x 194
//   612 x 792 pt, resolution 150 -> 1275 x 1650
//   14000 x 7 pt, width 150      -> 150 x 1
// The header records the resolution the page was drawn at, or 300 dpi when the job asks for a
// header resolution other than the resolution. Throws DocumentError for a size a JPEG cannot
// hold.
ImagePlan planImage(const pdf::Page& page, const ImageOptions& options);

// The number of threads that render: QUILLONPROXY_THREADS when it is a whole number from 1 on,
// else one per CPU the process may use. With QUILLONPROXY_DEBUG set, the count goes to standard
// error.
int imageWorkers();

// Draws the recording at plan's size into path, written whole beside it and renamed into place;
// its bytes reach the disk when the caller flushes the file system (OutputFile.h).
// Runs on any thread with a context (Library.h).
void writeImage(const pdf::RecordedPage& page, const ImagePlan& plan, int quality,
                const std::string& path);

// "createimages": renders every page to imageFileName(options, N) on every core (imageWorkers()).
// Every page's size is checked before the first file is written; each file is written whole,
// and the bytes do not depend on the number of workers. Always true.
bool writeImages(const pdf::Document& document, const ImageOptions& options);
// When the header resolution differs from the resolution (and the images' headers record 300
// dpi), writes the clients' message for each image to standard output.
void reportHeaderResolution(const pdf::Document& document, const ImageOptions& options);
