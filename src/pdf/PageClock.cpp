#include "pdf/PageClock.h"

#include <malloc.h>
#include <pthread.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <set>
#include <sstream>
#include <thread>

namespace pdf {
namespace {

// ---------------------------------------------------------------------------
// MuPDF's allocations, counted as the memory they take: the block malloc gives (its usable
// size, a header of malloc's own alignment included) and malloc's own word before it, since
// MuPDF makes millions of small objects of a document's structure. Each block carries what it
// counted in its header, so that a free knows what to give back.

constexpr std::size_t kHeaderBytes = alignof(std::max_align_t);
constexpr std::size_t kMallocWordBytes = sizeof(std::size_t);

// What a block of `size` bytes asked for counts before malloc says more.
std::size_t countedSize(std::size_t size) {
    return size + kHeaderBytes + kMallocWordBytes;
}

struct MemoryCounts {
    std::atomic<std::size_t> used{0};
    std::atomic<std::size_t> peak{0};
    // The job's budget and each worker's share, while the workers live.
    std::atomic<std::size_t> ceiling{kJobMemoryBytes};
};
MemoryCounts g_memory;
// The size of this thread's last allocation refused for the budget, until an allocation at
// least as large succeeds: MuPDF retries a refused allocation after emptying its caches, and
// only a request that still fails is the page's failure. 0 when none is pending.
thread_local std::size_t t_refusedBytes = 0;

// Takes `size` bytes out of the budget; false (and nothing taken) when they do not fit.
bool reserve(std::size_t size) {
    std::size_t used = g_memory.used.load(std::memory_order_relaxed);
    const std::size_t ceiling = g_memory.ceiling.load(std::memory_order_relaxed);
    do {
        if (size > ceiling || used > ceiling - size) {
            t_refusedBytes = std::max(t_refusedBytes, size);
            return false;
        }
    } while (!g_memory.used.compare_exchange_weak(used, used + size, std::memory_order_relaxed));
    std::size_t peak = g_memory.peak.load(std::memory_order_relaxed);
    while (used + size > peak &&
           !g_memory.peak.compare_exchange_weak(peak, used + size, std::memory_order_relaxed)) {
    }
    if (t_refusedBytes != 0 && size >= t_refusedBytes) t_refusedBytes = 0;
    return true;
}

void giveBack(std::size_t size) {
    g_memory.used.fetch_sub(size, std::memory_order_relaxed);
}

// Counts what malloc gave beyond what was reserved, and records the count in the header.
void* settle(void* block, std::size_t reserved) {
    const std::size_t counted = malloc_usable_size(block) + kMallocWordBytes;
    if (counted > reserved)
        g_memory.used.fetch_add(counted - reserved, std::memory_order_relaxed);
    else
        giveBack(reserved - counted);
    *static_cast<std::size_t*>(block) = counted;
    return static_cast<char*>(block) + kHeaderBytes;
}

void* countedMalloc(void*, std::size_t size) {
    if (size > SIZE_MAX / 2 || !reserve(countedSize(size))) return nullptr;
    void* block = std::malloc(size + kHeaderBytes);
    if (block == nullptr) {
        giveBack(countedSize(size));
        return nullptr;
    }
    return settle(block, countedSize(size));
}

void countedFree(void*, void* pointer) {
    if (pointer == nullptr) return;
    void* block = static_cast<char*>(pointer) - kHeaderBytes;
    giveBack(*static_cast<std::size_t*>(block));
    std::free(block);
}

void* countedRealloc(void* user, void* pointer, std::size_t size) {
    if (pointer == nullptr) return countedMalloc(user, size);
    void* block = static_cast<char*>(pointer) - kHeaderBytes;
    const std::size_t old = *static_cast<std::size_t*>(block);
    if (size > SIZE_MAX / 2) return nullptr;
    const std::size_t wanted = countedSize(size);
    if (wanted > old && !reserve(wanted - old)) return nullptr;
    void* moved = std::realloc(block, size + kHeaderBytes);
    if (moved == nullptr) {
        if (wanted > old) giveBack(wanted - old);
        return nullptr;  // the old block stays, as it was
    }
    // Counted now: the old block and what was reserved beyond it.
    return settle(moved, std::max(old, wanted));
}

const fz_alloc_context kCountedAllocator = {nullptr, countedMalloc, countedRealloc, countedFree};

// ---------------------------------------------------------------------------
// Time.

Budgets g_budgets;

double cpuSeconds(clockid_t clock) {
    timespec now{};
    clock_gettime(clock, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// A number of seconds or megabytes as a person writes it: 10, 0.5, 2.25.
std::string amount(double value) {
    std::ostringstream out;
    out.imbue(std::locale::classic());
    out.precision(3);
    out << value;
    return out.str();
}

std::string timeReason() {
    return "the page takes more than " + amount(g_budgets.pageSeconds) +
           " s of processor time, the most a page may";
}

std::string memoryReason() {
    return "the job needs more than " +
           amount(static_cast<double>(g_memory.ceiling.load()) / (1 << 20)) +
           " MB of memory, the most a job may";
}

}  // namespace

struct PageClock::Entry {
    Error::Place place;
    std::string operation;
    double spentSeconds = 0;
    clockid_t clock{};
    double startSeconds = 0;
    fz_cookie cookie{};
    std::atomic<bool> expired{false};

    double seconds() const { return spentSeconds + cpuSeconds(clock) - startSeconds; }
};

namespace {

// Checks the running clocks some 40 times a second while any runs; sleeps otherwise.
class Watchdog {
  public:
    Watchdog() : thread_([this] { run(); }) {}
    ~Watchdog() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
        }
        changed_.notify_all();
        if (thread_.joinable()) thread_.join();
    }

    void add(PageClock::Entry* entry) {
        std::lock_guard<std::mutex> lock(mutex_);
        clocks_.insert(entry);
        changed_.notify_all();
    }
    void remove(PageClock::Entry* entry) {
        std::lock_guard<std::mutex> lock(mutex_);
        clocks_.erase(entry);
    }

  private:
    void run() {
        std::unique_lock<std::mutex> lock(mutex_);
        while (!stopping_) {
            if (clocks_.empty()) {
                changed_.wait(lock);
                continue;
            }
            changed_.wait_for(lock, std::chrono::milliseconds(25));
            for (PageClock::Entry* entry : clocks_) {
                const double seconds = entry->seconds();
                if (seconds <= g_budgets.pageSeconds) continue;
                entry->expired.store(true);
                entry->cookie.abort = 1;
                if (seconds > g_budgets.pageSeconds + kHardStopSeconds) hardStop(*entry);
            }
        }
    }

    // The page is in a loop of MuPDF's that does not look at the cookie: the process ends as
    // an operator's timeout would end it, with the job's one line. Temporary files stay for
    // the next job in the folder to remove (OutputFile::removeStale).
    [[noreturn]] static void hardStop(const PageClock::Entry& entry) {
        const std::string line =
            Error(entry.place, entry.operation, timeReason()).what() + std::string("\n");
        ssize_t ignored = write(STDOUT_FILENO, line.data(), line.size());
        (void)ignored;
        _exit(255);
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    std::set<PageClock::Entry*> clocks_;
    bool stopping_ = false;
    std::thread thread_;
};

std::unique_ptr<Watchdog> g_watchdog;

}  // namespace

PageClock::PageClock(const Error::Place& place, const std::string& operation, double spentSeconds)
    : entry_(new Entry) {
    entry_->place = place;
    entry_->operation = operation;
    entry_->spentSeconds = spentSeconds;
    if (pthread_getcpuclockid(pthread_self(), &entry_->clock) != 0)
        entry_->clock = CLOCK_THREAD_CPUTIME_ID;
    entry_->startSeconds = cpuSeconds(entry_->clock);
    t_refusedBytes = 0;
    if (g_watchdog != nullptr) g_watchdog->add(entry_);
}

PageClock::~PageClock() {
    if (g_watchdog != nullptr) g_watchdog->remove(entry_);
    delete entry_;
}

fz_cookie* PageClock::cookie() {
    return &entry_->cookie;
}

double PageClock::seconds() const {
    return entry_->seconds();
}

void PageClock::check() const {
    if (entry_->expired.load()) throw Error(entry_->place, entry_->operation, timeReason());
    if (t_refusedBytes != 0) {
        t_refusedBytes = 0;
        throw Error(entry_->place, entry_->operation, memoryReason());
    }
}

std::string takeMemoryBudgetReason() {
    if (t_refusedBytes == 0) return "";
    t_refusedBytes = 0;
    return memoryReason();
}

const fz_alloc_context* startBudgets(const Budgets& budgets) {
    g_budgets = budgets;
    g_memory.ceiling = budgets.memoryBytes;
    g_memory.peak = 0;
    g_watchdog = std::make_unique<Watchdog>();
    return &kCountedAllocator;
}

void widenMemoryBudget(long workers) {
    const std::size_t share = g_budgets.memoryBytes / kWorkerMemoryShare;
    if (workers >= 0)
        g_memory.ceiling.fetch_add(share * static_cast<std::size_t>(workers));
    else
        g_memory.ceiling.fetch_sub(share * static_cast<std::size_t>(-workers));
}

void stopBudgets() {
    g_watchdog.reset();
    if (std::getenv("QUILLONPROXY_DEBUG") != nullptr) {
        std::fprintf(stderr, "debug: MuPDF allocated at most %.1f MB\n",
                     static_cast<double>(g_memory.peak.load()) / (1 << 20));
    }
}

}  // namespace pdf
