#include "pdf/Library.h"

#include <mupdf/fitz.h>

#include <atomic>
#include <thread>

#include "pdf/Boundary.h"
#include "pdf/Error.h"
#include "pdf/PageClock.h"

// WorkerContext gives each worker a glyph cache of its own through MuPDF's
// internals: two functions its installed headers leave out, and the context's
// `locks` and `glyph_cache` fields, whose layout is private to the version
// they were read from. A MuPDF of another version may have changed them; the
// build stops here rather than run on a wrong layout. Before moving on, check
// fz_context in that version's source (fitz/context-imp.h) and the two
// functions (fitz/draw-glyph.c), then widen the check.
#if FZ_VERSION_MAJOR != 1 || FZ_VERSION_MINOR != 21
#error "src/pdf/Library.cpp uses MuPDF 1.21's private context layout: check it for this version"
#endif

// MuPDF's own glyph cache functions, which its installed headers leave out.
// No public call replaces them: without them, workers would share the main
// context's glyph cache under FZ_LOCK_GLYPHCACHE (correct, but slower).
extern "C" {
void fz_new_glyph_cache_context(fz_context* ctx);
void fz_drop_glyph_cache_context(fz_context* ctx);
}

namespace pdf {
namespace {

fz_context* g_context = nullptr;
// The thread that made the Library: documents, pages and g_context belong to it.
std::thread::id g_owner;
// The context of a worker thread (WorkerContext), null on the Library's.
thread_local fz_context* t_context = nullptr;

// MuPDF keeps decoded fonts and images for reuse up to this size. Kept well
// below its default so that a job's peak memory stays bounded next to the
// render bands (Renderer.h).
constexpr size_t kResourceCacheBytes = 64u << 20;

// MuPDF's locks, which let cloned contexts share the caches. MuPDF takes
// them for a moment, very often (every glyph drawn, every reference kept or
// dropped): a lock spins briefly before it yields the core, which costs far
// less than putting threads to sleep and waking them.
class SpinLock {
  public:
    void lock() {
        for (int spins = 0; flag_.test_and_set(std::memory_order_acquire); ++spins) {
            if (spins >= 64) std::this_thread::yield();
        }
    }
    void unlock() { flag_.clear(std::memory_order_release); }

  private:
    std::atomic_flag flag_ = ATOMIC_FLAG_INIT;
};
SpinLock g_locks[FZ_LOCK_MAX];
// Whether a WorkerContext was ever made: until then the Library's context is the only one and
// its thread the only one in MuPDF, so its locks are not taken (MuPDF takes one for every
// allocation and every reference kept or dropped: 6% of reading a book's text). Set on the
// Library's thread before the first clone, so before any worker thread can run; never cleared.
std::atomic<bool> g_shared{false};
void lockOne(void* locks, int lock) {
    if (g_shared.load(std::memory_order_relaxed)) static_cast<SpinLock*>(locks)[lock].lock();
}
void unlockOne(void* locks, int lock) {
    if (g_shared.load(std::memory_order_relaxed)) static_cast<SpinLock*>(locks)[lock].unlock();
}
const fz_locks_context kLocks = {g_locks, lockOne, unlockOne};

void ignoreMessage(void*, const char*) {}

}  // namespace

// A worker keeps a glyph cache of its own, so that threads drawing text do
// not queue for one cache: its lock is the worker's, the others are shared.
struct WorkerContext::Locks {
    SpinLock glyphCache;

    static void lock(void* locks, int lock) {
        if (lock == FZ_LOCK_GLYPHCACHE)
            static_cast<Locks*>(locks)->glyphCache.lock();
        else
            g_locks[lock].lock();
    }
    static void unlock(void* locks, int lock) {
        if (lock == FZ_LOCK_GLYPHCACHE)
            static_cast<Locks*>(locks)->glyphCache.unlock();
        else
            g_locks[lock].unlock();
    }
};

Library::Library(const Budgets& budgets) {
    if (g_context != nullptr) throw Error("PDF library", "already started");
    g_context = fz_new_context(startBudgets(budgets), &kLocks, kResourceCacheBytes);
    if (g_context == nullptr) {
        stopBudgets();
        throw Error("PDF library", "cannot start");
    }
    fz_set_error_callback(g_context, ignoreMessage, nullptr);
    fz_set_warning_callback(g_context, ignoreMessage, nullptr);
    g_owner = std::this_thread::get_id();
}

Library::~Library() {
    fz_drop_context(g_context);
    g_context = nullptr;
    stopBudgets();
}

fz_context* Library::context() {
    if (t_context != nullptr) return t_context;
    if (g_context == nullptr) throw Error("PDF library", "not started");
    // A context serves one thread at a time: another thread using the
    // Library's (instead of a WorkerContext of its own) would corrupt its
    // error stack. The check costs one comparison.
    if (std::this_thread::get_id() != g_owner)
        throw Error("PDF library", "used on a thread without a context of its own");
    return g_context;
}

WorkerContext::WorkerContext() : locks_(new Locks) {
    if (g_context == nullptr) throw Error("PDF library", "not started");
    // Only the Library's thread may clone its context, and it is not inside MuPDF now: from
    // here on every context takes the locks.
    if (std::this_thread::get_id() != g_owner)
        throw Error("PDF library", "a worker's context made on another thread");
    g_shared.store(true, std::memory_order_relaxed);
    // The clone copies the silenced message callbacks.
    context_ = fz_clone_context(g_context);
    if (context_ == nullptr) throw Error("PDF library", "cannot start a worker");
    // Its own glyph cache, guarded by its own lock. Private: fz_context's
    // fields (no public call sets a clone's locks); see the version check.
    fz_drop_glyph_cache_context(context_);
    context_->locks.user = locks_.get();
    context_->locks.lock = Locks::lock;
    context_->locks.unlock = Locks::unlock;
    if (tryMupdf(context_, [&] { fz_new_glyph_cache_context(context_); }) != 0) {
        context_->glyph_cache = nullptr;  // private field, as above
        fz_drop_context(context_);
        throw Error("PDF library", "cannot start a worker");
    }
    widenMemoryBudget(+1);
}

WorkerContext::~WorkerContext() {
    fz_drop_context(context_);
    widenMemoryBudget(-1);
}

WorkerContext::Use::Use(WorkerContext& context) {
    t_context = context.context_;
}

WorkerContext::Use::~Use() {
    t_context = nullptr;
}

}  // namespace pdf
