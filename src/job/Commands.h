// The commands that can run, one per job name (see Job.h for the table).
//
//   "getpagescount": requires the input file to exist (else throws the
//       string "Cannot open pdf file!"); prints "PageCount=N", no line end.
//   "createimages": renders every page to a JPEG, then rewrites the image
//       headers' density when asked to (see PDFDocument::createImages).
//   "createdocumentxml": writes document.xml.
//   "createpagesxml": requires the input file to exist (else fails);
//       writes every Page_N.xml from document.xml's page ids.
//   "createindex", "createpageshtml", "createseotext": the page text
//       outputs (see PDFDocument::createIndex, createHTMLPages, createSEO);
//       a missing input file makes them fail at once, printing nothing.
//   "recognizelinks": requires the input file; adds links found in the page
//       text to the page records in the output directory, by regular
//       expressions or, with "usebinarysearch", by the word list.
//   "importproducts": requires the input file; adds products found by
//       regular expressions to the page records.
#pragma once

#include "job/ExecuteCommand.h"

class GetPagesCountCommand : public ExecuteCommand {
  public:
    bool executeJob(JobInput* input) override;
};

class CreateImagesCommand : public ExecuteCommand {
  public:
    bool executeJob(JobInput* input) override;
};

class CreateDocumentXMLCommand : public ExecuteCommand {
  public:
    bool executeJob(JobInput* input) override;
};

class CreatePagesXMLCommand : public ExecuteCommand {
  public:
    bool executeJob(JobInput* input) override;
};

class CreateIndexCommand : public ExecuteCommand {
  public:
    bool executeJob(JobInput* input) override;
};

class CreatePagesHTMLCommand : public ExecuteCommand {
  public:
    bool executeJob(JobInput* input) override;
};

class CreateSEOCommand : public ExecuteCommand {
  public:
    bool executeJob(JobInput* input) override;
};

class RecogzineLinksCommand : public ExecuteCommand {
  public:
    bool executeJob(JobInput* input) override;
};

class RecogzineProductsCommand : public ExecuteCommand {
  public:
    bool executeJob(JobInput* input) override;
};
