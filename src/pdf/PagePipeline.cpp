#include "pdf/PagePipeline.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "pdf/Library.h"

namespace pdf {
namespace {

// What the recording thread and the workers share, under `mutex`.
struct Queue {
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<RecordedPage> waiting;
    std::size_t capacity = 1;
    bool finished = false;                       // no page will be added
    std::map<int, std::exception_ptr> failures;  // by page number

    void fail(int page, std::exception_ptr failure) {
        std::lock_guard<std::mutex> lock(mutex);
        failures.emplace(page, failure);
        waiting.clear();  // (only ever on a thread with a context)
        changed.notify_all();
    }
};

// Takes the oldest waiting page, if any, and works on it on this thread.
// False when none waits.
bool workOnOne(Queue& queue, const PageWork& pageWork, bool wait) {
    std::unique_lock<std::mutex> lock(queue.mutex);
    if (wait) {
        queue.changed.wait(lock, [&queue] { return !queue.waiting.empty() || queue.finished; });
    }
    if (queue.waiting.empty()) return false;
    RecordedPage page = std::move(queue.waiting.front());
    queue.waiting.pop_front();
    queue.changed.notify_all();  // room for the recording thread
    lock.unlock();
    try {
        pageWork(page);
    } catch (...) {
        queue.fail(page.number(), std::current_exception());
    }
    return true;
}  // the page's recording is dropped here, with this thread's context

void helper(Queue& queue, WorkerContext& context, const PageWork& pageWork) {
    WorkerContext::Use use(context);
    while (workOnOne(queue, pageWork, true)) {
    }
}

}  // namespace

void forEachRecordedPage(const Document& document, int workers, const PageWork& pageWork) {
    forEachRecordedPage(document, 1, document.pageCount(), workers, nullptr, pageWork);
}

void forEachRecordedPage(const Document& document, int first, int last, int workers,
                         const PageReading& reading, const PageWork& pageWork) {
    // The page, read first when asked for; null when it is not to be recorded.
    auto next = [&](int n) -> std::optional<RecordedPage> {
        const Page page = document.page(n);
        if (reading && !reading(page)) return std::nullopt;
        return recordPage(page);
    };
    if (workers <= 1) {
        for (int n = first; n <= last; ++n) {
            if (std::optional<RecordedPage> recorded = next(n)) pageWork(*recorded);
        }
        return;
    }

    // workers - 1 helper threads; this thread records, and works on a page
    // itself whenever the queue is full, so that no core waits while another
    // is oversubscribed.
    Queue queue;
    queue.capacity = static_cast<std::size_t>(workers) * kPagesInFlightPerWorker;
    std::vector<std::unique_ptr<WorkerContext>> contexts;
    std::vector<std::thread> threads;
    int page = 0;
    try {
        for (int i = 1; i < workers; ++i) contexts.push_back(std::make_unique<WorkerContext>());
        for (auto& context : contexts) {
            threads.emplace_back(
                [&queue, &context = *context, &pageWork] { helper(queue, context, pageWork); });
        }
        for (page = first; page <= last; ++page) {
            std::optional<RecordedPage> recorded = next(page);
            std::unique_lock<std::mutex> lock(queue.mutex);
            if (!queue.failures.empty()) break;
            if (!recorded) continue;
            queue.waiting.push_back(std::move(*recorded));
            queue.changed.notify_all();
            bool full = queue.waiting.size() >= queue.capacity;
            lock.unlock();
            if (full) workOnOne(queue, pageWork, false);
        }
    } catch (...) {
        queue.fail(page, std::current_exception());
    }
    // The rest of the queue is shared out, this thread taking its part.
    {
        std::lock_guard<std::mutex> lock(queue.mutex);
        queue.finished = true;
    }
    queue.changed.notify_all();
    while (workOnOne(queue, pageWork, false)) {
    }
    for (std::thread& thread : threads) thread.join();
    queue.waiting.clear();
    if (!queue.failures.empty()) std::rethrow_exception(queue.failures.begin()->second);
}

}  // namespace pdf
