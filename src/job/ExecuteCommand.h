// ExecuteCommand — one command of a job: opens the PDF as a PDFDocument,
// runs the one generator that does the work, closes the document again.
//
// Commands hold no state. executeJob returns the generator's result (true:
// the job succeeded). A PDF that cannot be opened has its reason printed by
// PDFDocument::open and makes the command return false without running the
// generator. Exceptions from the generator (DocumentError, pdf::Error,
// EncodingError) and the string "Cannot open pdf file!" of "getpagescount"
// pass through to the job driver.
#pragma once

class JobInput;

class ExecuteCommand {
  public:
    virtual ~ExecuteCommand() = default;
    // REQUIRES: input is the record type that belongs to the command.
    virtual bool executeJob(JobInput* input) = 0;
};
