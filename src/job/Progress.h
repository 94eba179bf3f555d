// Progress of a long operation, for an operator: one line on standard error at each stage, and
// at least every kReportSeconds while pages are worked on, with the pages done of all.
//
//     Progress progress("book.pdf", quiet);
//     progress.stage("352 pages into /srv/pub/");
//     progress.startPages(352);
//     ... progress.pageDone();      // from any thread
//     progress.stopPages();
//
// Lines: "publish: book.pdf: 120 of 352 pages done". Quiet prints nothing. Standard output is
// never written. A reporting thread runs between startPages and stopPages (or destruction).
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

constexpr int kReportSeconds = 5;

class Progress {
  public:
    Progress(std::string name, bool quiet);
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    void stage(const std::string& what);
    void startPages(int pages);
    void pageDone() { done_.fetch_add(1, std::memory_order_relaxed); }
    void stopPages();
    // Seconds since the object was made.
    double seconds() const;

  private:
    void line(const std::string& text);

    std::string name_;
    bool quiet_;
    std::chrono::steady_clock::time_point started_;
    std::atomic<int> done_{0};
    int pages_ = 0;
    std::mutex mutex_;
    std::condition_variable stop_;
    bool stopping_ = false;
    std::thread reporter_;
};
