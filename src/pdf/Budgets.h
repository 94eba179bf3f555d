// What a job may spend of the machine itself, whatever the content asks for.
//
// The page limits (PageLimits.h, RecordedPage.h) count what a page declares: content bytes,
// operators, image pixels, drawings. Some content stays under every count and still costs
// minutes or gigabytes: a tiling pattern of a hundredth of a point, a mesh of millions of
// triangles, an image whose decoder allocates far more than its pixels. Two budgets bound
// those on the resources themselves:
//
//   - Processor time per page (Budgets::pageSeconds): the processor seconds that a page's
//     drawing costs (its limits pass, its interpretation and its rendering, on whichever
//     threads they run), and separately those its reading of text costs. A PageClock
//     (PageClock.h) times each stage. A watchdog thread checks the clocks some 40 times a second
//     and, once a page's seconds are spent, asks MuPDF to stop through the stage's cookie (the
//     interpreter and the display list check it between operators); the stage then fails
//     with the budget's reason. Some of MuPDF's loops never look at the cookie (painting a
//     pattern's tiles, a shading's triangles): a page still running kHardStopSeconds after
//     its budget ends the process there, as an operator's timeout would, with the same one
//     line on standard output and status 255. Outputs are written whole or not at all
//     (OutputFile), so no reader sees a half-written file either way.
//     Processor time, not wall time: a page costs the same whatever the number of workers
//     and whatever else the machine is doing, so the same document passes or fails alike.
//   - Memory for the job (Budgets::memoryBytes, and a kWorkerMemoryShare-th of it more for
//     each worker thread beside the job's own, which renders pages of its own at once):
//     everything MuPDF allocates, on every thread at once (documents, display lists, decoded
//     images and fonts, render bands, its caches).
//     An allocation that would pass the budget fails; MuPDF first empties its caches and
//     tries again, so the budget fails a page only when the page itself needs more. A page
//     whose allocation failed fails with the budget's reason, even where MuPDF would have
//     passed over the failure and drawn the page without an image.
//     Decoders of other libraries (OpenJPEG) allocate outside it: the pass bounds what they
//     may be asked for from the sizes a file declares (PageLimits.h).
//
// Both reasons name the budget, e.g.
//     "a.pdf: page 3: cannot render: the page takes more than 10 s of processor time, the
//      most a page may"
//     "a.pdf: page 3: cannot read text: the job needs more than 384 MB of memory, the most
//      a job may"
//
// The budgets are the Library's (Library.h), set once for the process; the defaults below
// leave a margin over the largest real page measured (docs/jobs.md says which).
// How a stage is timed and MuPDF's allocations counted: PageClock.h.
#pragma once

#include <cstddef>

namespace pdf {

// 10 processor seconds: with a budget of 1 s, no page of 397 real documents was refused, drawn
// at 150 dpi or read for its text.
constexpr double kPageSeconds = 10;
// 384 MiB of MuPDF's allocations for a job on one thread, and 128 MiB more for each further
// worker: the most a real document was seen to take is 111 MB on one thread and 214 MB on
// two (pages of large images at 150 dpi).
constexpr std::size_t kJobMemoryBytes = 384u << 20;
constexpr std::size_t kWorkerMemoryShare = 3;
// A page still running this long after its budget, in a loop that does not check the
// cookie, ends the process.
constexpr double kHardStopSeconds = 2;

struct Budgets {
    double pageSeconds = kPageSeconds;
    std::size_t memoryBytes = kJobMemoryBytes;
};

}  // namespace pdf
