// pdf::Library — starts and stops the PDF library for the process.
//
// Exactly one Library lives for the whole run (main owns it on its stack);
// every Document and Page is made and destroyed while it lives, on the
// thread that made the Library. It owns the MuPDF context that all other
// units of the layer borrow through context(). MuPDF's own error and warning
// printing is silenced: failures reach callers as pdf::Error and nothing of
// the library's goes to standard output.
//
// Other threads may use the layer only through a WorkerContext of their own
// and only for what MuPDF lets threads share: recorded pages (RecordedPage.h)
// can be rendered on any thread; documents and pages belong to the thread
// that opened them.
//
// The Library holds the process's budgets (Budgets.h): MuPDF allocates
// through it, counted against the memory budget, and one thread of its own,
// the watchdog of the pages' clocks, lives as long as it does.
//
// Throws pdf::Error from the constructor when the library cannot start, or
// when a second Library is made while one lives.
#pragma once

#include <memory>
#include <string>

#include "pdf/Budgets.h"

struct fz_context;

namespace pdf {

class Library {
  public:
    explicit Library(const Budgets& budgets = Budgets());
    ~Library();
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    // The context of the calling thread: its WorkerContext's while one lives
    // on it, else the living Library's.
    // Throws pdf::Error when no Library lives, or when the calling thread is
    // neither the Library's nor using a WorkerContext.
    static fz_context* context();
};

// A MuPDF context for one worker thread, cloned from the Library's: it
// shares the Library's caches of fonts and images under MuPDF's locks, and
// has a glyph cache and an error stack of its own.
//
//     WorkerContext context;                  // on the Library's thread
//     std::thread worker([&context] {
//         WorkerContext::Use use(context);    // on the worker, while it works
//         renderRecorded(...);
//     });
//
// REQUIRES: made while a Library lives, on its thread; outlives every Use.
// Until the first one is made MuPDF's locks are not taken (one thread uses
// MuPDF); from then on every context takes them.
// Throws pdf::Error when the context cannot be made, or on another thread.
class WorkerContext {
  public:
    WorkerContext();
    ~WorkerContext();
    WorkerContext(const WorkerContext&) = delete;
    WorkerContext& operator=(const WorkerContext&) = delete;

    // Makes the context the calling thread's for the layer while it lives.
    // REQUIRES: one Use at a time per context, and per thread.
    class Use {
      public:
        explicit Use(WorkerContext& context);
        ~Use();
        Use(const Use&) = delete;
        Use& operator=(const Use&) = delete;
    };

    struct Locks;  // the worker's own lock (Library.cpp)

  private:
    std::unique_ptr<Locks> locks_;
    fz_context* context_ = nullptr;
};

}  // namespace pdf
