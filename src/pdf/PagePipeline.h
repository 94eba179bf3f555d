// Every page of a document recorded on the calling thread, in page order,
// and worked on by a pool of worker threads.
//
//     forEachRecordedPage(document, 4, [&](const RecordedPage& page) {
//         exportJpeg(page, size, quality, dpi, file);   // on a worker
//     });
//
// Documents belong to the thread that opened them (Library.h), so the
// calling thread interprets the pages (recordPage) one after another, while
// workers - 1 helper threads render, encode and write; whenever
// kPagesInFlightPerWorker recordings per worker wait, the calling thread
// works on the oldest itself, so `workers` threads share the work and memory
// stays bounded whatever the page count. Each helper has a WorkerContext of
// its own; `work` must touch nothing but the recording it is given and what
// it owns (it runs on the helpers and on the calling thread).
//
// With workers <= 1 nothing is started: every page is recorded and worked on
// on the calling thread, in page order.
//
// Failures: an exception from recording a page or from `work` stops the
// recording of further pages; pages waiting are dropped, pages being worked
// on are finished. Once every worker has stopped, the exception of the
// lowest page number that failed is rethrown as it was thrown. No thread
// outlives the call. Pages before a failed one may have been worked on;
// pages after it may have been too (workers run ahead).
#pragma once

#include <functional>

#include "pdf/Document.h"
#include "pdf/RecordedPage.h"

namespace pdf {

constexpr int kPagesInFlightPerWorker = 2;

using PageWork = std::function<void(const RecordedPage& page)>;

// REQUIRES: called on the thread that opened the document.
void forEachRecordedPage(const Document& document, int workers, const PageWork& work);

// Reads a page on the calling thread before it is recorded; false when the page is not to be
// recorded (nor worked on).
using PageReading = std::function<bool(const Page& page)>;

// The same for the pages first..last, each handed to `reading` (when given) first, on the
// calling thread and in page order, so that one pass over the document both reads each page
// and draws it: what `reading` leaves for a page is there when `work` gets the page (the
// hand-over to the workers orders the two). A failure of `reading` is a failure of its page.
// REQUIRES: called on the thread that opened the document; 1 <= first, last <= page count.
void forEachRecordedPage(const Document& document, int first, int last, int workers,
                         const PageReading& reading, const PageWork& work);

}  // namespace pdf
