#include "job/Commands.h"

#include <cstdio>

#include "document/PDFDocument.h"
#include "document/Utility.h"
#include "job/JobInput.h"
#include "job/RecognizeLinksInput.h"

bool GetPagesCountCommand::executeJob(JobInput* input) {
    std::string inputFile = input->getInputFile();
    if (!Utility::FileExists(inputFile)) throw "Cannot open pdf file!";
    PDFDocument document;
    if (!document.open(inputFile)) return false;
    std::printf("PageCount=%d", document.getNumberOfPages());
    return true;
}

bool CreateImagesCommand::executeJob(JobInput* input) {
    auto* record = static_cast<CreateImagesInput*>(input);
    PDFDocument document;
    if (!document.open(record->getInputFile())) return false;
    bool result = document.createImages(record);
    document.setImagesHeaderResolution(record);
    return result;
}

bool CreateDocumentXMLCommand::executeJob(JobInput* input) {
    auto* record = static_cast<CreateDocumentXMLInput*>(input);
    PDFDocument document;
    if (!document.open(record->getInputFile())) return false;
    return document.createDocumentXML(record);
}

bool CreatePagesXMLCommand::executeJob(JobInput* input) {
    auto* record = static_cast<CreatePagesXMLInput*>(input);
    if (!Utility::FileExists(record->getInputFile())) return false;
    PDFDocument document;
    if (!document.open(record->getInputFile())) return false;
    return document.createPagesXML(record);
}

bool CreateIndexCommand::executeJob(JobInput* input) {
    auto* record = static_cast<CreateIndexInput*>(input);
    std::string inputFile = record->getInputFile();
    if (!Utility::FileExists(inputFile)) return false;
    PDFDocument document;
    if (!document.open(inputFile)) return false;
    return document.createIndex(record, record->getGenerateRtlOutput());
}

bool CreatePagesHTMLCommand::executeJob(JobInput* input) {
    auto* record = static_cast<CreatePagesHTMLInput*>(input);
    std::string inputFile = record->getInputFile();
    if (!Utility::FileExists(inputFile)) return false;
    PDFDocument document;
    if (!document.open(inputFile)) return false;
    return document.createHTMLPages(record);
}

bool CreateSEOCommand::executeJob(JobInput* input) {
    auto* record = static_cast<CreateSEOInput*>(input);
    std::string inputFile = record->getInputFile();
    if (!Utility::FileExists(inputFile)) return false;
    PDFDocument document;
    if (!document.open(inputFile)) return false;
    return document.createSEO(record);
}

bool RecogzineLinksCommand::executeJob(JobInput* input) {
    auto* record = static_cast<RecognizeLinksInput*>(input);
    if (!Utility::FileExists(record->getInputFile())) return false;
    PDFDocument document;
    // The page records' paths are fixed when the document opens.
    document.setOutputDir(record->getOutputDir());
    if (!document.open(record->getInputFile())) return false;
    return record->getUseBinarySearch() ? document.recognizeLinksFromFile(record)
                                        : document.recognizeLinks(record);
}

bool RecogzineProductsCommand::executeJob(JobInput* input) {
    auto* record = static_cast<RecognizeProductsInput*>(input);
    if (!Utility::FileExists(record->getInputFile())) return false;
    PDFDocument document;
    document.setOutputDir(record->getOutputDir());
    if (!document.open(record->getInputFile())) return false;
    return document.recognizeProducts(record);
}
