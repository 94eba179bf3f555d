#include "job/Progress.h"

#include <cstdio>

Progress::Progress(std::string name, bool quiet)
    : name_(std::move(name)), quiet_(quiet), started_(std::chrono::steady_clock::now()) {}

Progress::~Progress() {
    stopPages();
}

double Progress::seconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
}

void Progress::line(const std::string& text) {
    if (quiet_) return;
    std::fprintf(stderr, "publish: %s: %s\n", name_.c_str(), text.c_str());
    std::fflush(stderr);
}

void Progress::stage(const std::string& what) {
    line(what);
}

void Progress::startPages(int pages) {
    pages_ = pages;
    if (quiet_) return;
    stopping_ = false;
    reporter_ = std::thread([this] {
        std::unique_lock<std::mutex> lock(mutex_);
        while (!stop_.wait_for(lock, std::chrono::seconds(kReportSeconds),
                               [this] { return stopping_; })) {
            line(std::to_string(done_.load(std::memory_order_relaxed)) + " of " +
                 std::to_string(pages_) + " pages done");
        }
    });
}

void Progress::stopPages() {
    if (!reporter_.joinable()) return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    stop_.notify_all();
    reporter_.join();
}
