// The budgets of Budgets.h at work (for the layer's own units; not for callers outside
// src/pdf/): a clock for each stage of a page, the watchdog that stops a stage whose page has
// spent its time, and the counting allocator MuPDF's context is made with.
//
// A PageClock times one stage of one page on the calling thread, in processor seconds of that
// thread, from its construction to its destruction, and lends the stage a MuPDF cookie that
// the watchdog sets once the page's seconds are spent:
//
//     PageClock clock(page.place(), "cannot render");
//     guarded(ctx, page.place(), "cannot render", [&] {
//         fz_run_page(ctx, source, dev, fz_identity, clock.cookie());
//     });
//     clock.check();   // throws when the page ran out of time or of memory
//
// A stage that MuPDF does not stop within kHardStopSeconds ends the process (Budgets.h).
//
// REQUIRES: a Library lives (it starts and stops the watchdog); a clock is constructed and
// destroyed on one thread.
// Throws pdf::Error from check() as Budgets.h says; nothing else here throws but
// std::bad_alloc.
#pragma once

#include <mupdf/fitz.h>

#include <cstddef>
#include <string>

#include "pdf/Budgets.h"
#include "pdf/Error.h"

namespace pdf {

class PageClock {
  public:
    // spentSeconds: what earlier stages of the page cost (its recording, for its rendering).
    PageClock(const Error::Place& place, const std::string& operation, double spentSeconds = 0);
    ~PageClock();
    PageClock(const PageClock&) = delete;
    PageClock& operator=(const PageClock&) = delete;

    fz_cookie* cookie();
    // Processor seconds the page has cost: spentSeconds and this stage's so far.
    double seconds() const;
    // Throws pdf::Error(place, operation, reason) when the page's time ran out, or when one of
    // this thread's MuPDF allocations failed for the memory budget since the clock started.
    void check() const;

    struct Entry;  // what the watchdog sees

  private:
    Entry* entry_;
};

// The reason to give for a failure of the calling thread's MuPDF call when one of its
// allocations failed for the memory budget, and forgets that failure; "" when none did.
std::string takeMemoryBudgetReason();

// For the Library only: starts the watchdog and returns the allocator to make MuPDF's
// context with; stopBudgets() stops the watchdog (REQUIRES: no clock runs). With
// QUILLONPROXY_DEBUG set, stopBudgets() writes MuPDF's peak allocation to standard error.
const fz_alloc_context* startBudgets(const Budgets& budgets);
void stopBudgets();
// For the Library's WorkerContext only: each worker thread while it lives widens the memory
// budget by the budget's kWorkerMemoryShare-th part (workers: +1 for one made, -1 for one
// gone).
void widenMemoryBudget(long workers);

}  // namespace pdf
