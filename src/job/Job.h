// Job — loads a job file, makes the command's parameter record and command,
// and runs it.
//
// Command table (names compared exactly, case-sensitively):
//   createimages 1, getpagescount 2, createdocumentxml 3, createpageshtml 4,
//   createpagesxml 5, createindex 6, recognizelinks 7, createintopage 8,
//   createseotext 9, importproducts 10, end 11; any other name is 0.
// "createintopage", "end" and unknown names have no command: such a job
// prints one line saying so and fails.
//
//     Job job;
//     if (job.readParams("job.xml") && job.executeJob()) { /* success */ }
//
// Ownership: the Job owns its record and command.
// Throws JobError when the job file cannot be loaded; executeJob passes on
// what the command throws.
#pragma once

#include <map>
#include <memory>
#include <stdexcept>
#include <string>

#include "job/ExecuteCommand.h"
#include "job/JobInput.h"

enum StringValue {
    evNotDefined = 0,
    evCreateImages = 1,
    evGetPagesCount = 2,
    evCreateDocumentXML = 3,
    evCreatePagesHTML = 4,
    evCreatePagesXML = 5,
    evCreateIndex = 6,
    evRecognizeLinks = 7,
    evCreateIntoPage = 8,
    evCreateSEOText = 9,
    evImportProducts = 10,
    evEnd = 11,
};

// The job file cannot be loaded; the process ends with status 1.
class JobError : public std::runtime_error {
  public:
    explicit JobError(const std::string& message) : std::runtime_error(message) {}
};

class Job {
  public:
    Job();
    void Initialize();

    // Loads the job file and, for a runnable command, makes and fills its
    // record and command. Returns false, after printing one line, when the
    // command cannot run here or a required parameter is missing.
    // Throws JobError (message "Could not load test file ...") when the file
    // is missing or is not well-formed XML.
    bool readParams(const std::string& jobFile);
    // REQUIRES: readParams returned true.
    bool executeJob();

    StringValue lookUp(const std::string& name) const;
    const JobInput* getInput() const { return input.get(); }

  private:
    std::string commandName;
    std::unique_ptr<ExecuteCommand> command;
    std::map<std::string, StringValue> commandTable;
    std::unique_ptr<JobInput> input;
};
