// RecordsLock — one job at a time changes the page records of an output
// directory.
//
// Jobs that extend the page records ("recognizelinks", "importproducts")
// read each record as it is on disk and write it back with their elements
// added; two doing so at once would each overwrite the other's additions.
// The lock is an advisory lock (flock) on the directory that holds the
// records (that of outputDir + "Page_1.xml"), so nothing is left behind:
// every writer of records takes it, and the kernel drops it when its holder
// exits, however it ends. Once it holds the lock, it completes the commit of
// records a killed job left and removes the records such a job staged
// (RecordsCommit::recover), so every holder starts from whole records.
//
//     {
//         RecordsLock lock(outputDir);   // waits while another job holds it
//         ... read, change and write the records ...
//     }                                  // released
//
// Throws DocumentError when the directory cannot be opened, another job
// holds the lock for longer than kRecordsLockWaitSeconds, or a commit left
// behind cannot be completed.
#pragma once

#include <string>

constexpr int kRecordsLockWaitSeconds = 30;

class RecordsLock {
  public:
    explicit RecordsLock(const std::string& outputDir);
    ~RecordsLock();
    RecordsLock(const RecordsLock&) = delete;
    RecordsLock& operator=(const RecordsLock&) = delete;

  private:
    int fd_ = -1;
};
