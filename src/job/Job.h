// Job — loads a job file, reads the parameters of the job it names (JobTable.h) and runs it.
//
// The command names are those of jobTable(), compared exactly, case-sensitively;
// "createintopage" and "end" are known but have nothing to run. Such a job, and one with an
// unknown name, prints one line saying so and fails.
//
//     Job job;
//     if (job.readParams("job.xml") && job.executeJob()) { /* success */ }
//
// Throws JobError when the job file cannot be loaded; executeJob passes on what the operation
// throws (DocumentError, pdf::Error, EncodingError, and the string "Cannot open pdf file!" of
// "getpagescount").
#pragma once

#include <functional>
#include <stdexcept>
#include <string>

// The job file cannot be loaded; the process ends with status 1.
class JobError : public std::runtime_error {
  public:
    explicit JobError(const std::string& message) : std::runtime_error(message) {}
};

class Job {
  public:
    // Loads the job file and reads the parameters of its command, printing the warnings to
    // standard error. Returns false, after printing one line to standard output, when the
    // command cannot run here or a required parameter is missing.
    // Throws JobError (message "Could not load test file ...") when the file is missing or is
    // not well-formed XML.
    bool readParams(const std::string& jobFile);
    // REQUIRES: readParams returned true.
    bool executeJob();

  private:
    std::function<bool()> run_;
};
