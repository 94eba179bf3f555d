// A page's drawing, recorded once so that it can be rendered on any thread.
//
// recordPage interprets the page on the calling thread (documents and pages
// belong to the thread that opened them) into a MuPDF display list: the
// content, then the appearances of its annotations and shown form fields,
// as the page image shows them. The list is read-only afterwards, so any
// thread with a WorkerContext (Library.h) may render it (Renderer.h), and
// several threads may render one list at once.
//
// Coordinates: the recording is in page space (points, origin at the
// top-left corner of the shown page, y down; Page.h), so rendering it only
// scales it to the raster.
//
// Bounded work: a page may draw at most kMaxPageDrawings times (a path, a
// run of text, an image, a clip, a group...), clip at most kMaxPageClips
// times (clips, groups and tiles; every form painted clips to its box) and
// paint at most kMaxPageGlyphs glyphs (PaintedText.h): a page of forms
// painting one another over and over would otherwise record for minutes into
// gigabytes. Recording stops at the limit and the page is refused; the
// display list then holds at most about a hundred megabytes.
// Before recording, the page passes the limits of PageLimits.h (decompressed
// content, operators, image pixels), refused the same way; the pass and the
// recording are timed against the page's budget (Budgets.h).
//
// Ownership: a RecordedPage owns its display list; movable, not copyable. It
// may be destroyed on any thread that has a context.
// Throws pdf::Error naming file and page.
#pragma once

#include <string>

#include "pdf/Error.h"

struct fz_display_list;

namespace pdf {

class Page;

constexpr long kMaxPageDrawings = 1000000;
constexpr long kMaxPageClips = 100000;

class RecordedPage {
  public:
    RecordedPage(RecordedPage&& other) noexcept;
    RecordedPage& operator=(RecordedPage&& other) noexcept;
    RecordedPage(const RecordedPage&) = delete;
    RecordedPage& operator=(const RecordedPage&) = delete;
    ~RecordedPage();

    // 1-based page number.
    int number() const { return number_; }
    // The shown page's size in points (Page::width, Page::height).
    double width() const { return width_; }
    double height() const { return height_; }
    // File and page, for errors about this page.
    const Error::Place& place() const { return place_; }
    // Processor seconds the recording cost, which the page's rendering adds to (Budgets.h).
    double recordingSeconds() const { return seconds_; }

    // For the layer's own units; not for callers outside src/pdf/.
    fz_display_list* handle() const { return list_; }

  private:
    friend RecordedPage recordPage(const Page& page);
    RecordedPage(fz_display_list* list, const Page& page, double seconds);

    fz_display_list* list_ = nullptr;
    int number_ = 0;
    double width_ = 0, height_ = 0;
    double seconds_ = 0;
    Error::Place place_;
};

// REQUIRES: called on the thread that opened the page's document.
RecordedPage recordPage(const Page& page);

}  // namespace pdf
