#include "job/Commands.h"

#include <cstdio>

#include "document/OutputFile.h"
#include "document/PDFDocument.h"
#include "document/Utility.h"
#include "job/JobInput.h"
#include "job/RecognizeLinksInput.h"

namespace {

// Why a command finds no input: to standard error, for the operator; what
// clients read stays as it was.
void reportMissingInput(const std::string& path) {
    std::fprintf(stderr, "error: input file '%s' cannot be found: %s\n", path.c_str(),
                 Utility::whyMissing(path).c_str());
}

// A temporary file of this program not changed for this long was left by a
// writer that died: none takes more than seconds between making one and
// putting it in place.
constexpr long kStaleTemporarySeconds = 15 * 60;

// How a command treats its input file and page records.
enum class InputCheck { None, MustExist };
enum class PageRecords { Ignored, InOutputDir };

// The frame every command shares: test the input file when the command
// does, open the PDF (its page records in the output directory when the
// command works on them), run the generator, close the document.
template <typename Generator>
bool runOnDocument(const JobInput& record, InputCheck check, PageRecords records,
                   Generator generate) {
    const std::string inputFile = record.getInputFile();
    if (check == InputCheck::MustExist && !Utility::FileExists(inputFile)) {
        reportMissingInput(inputFile);
        return false;
    }
    // Temporary files that writers killed before their commit left behind
    // go before new ones are made.
    if (!record.getOutputDir().empty())
        OutputFile::removeStale(record.getOutputDir(), kStaleTemporarySeconds);
    PDFDocument document;
    // The page records the command reads and extends are in the output directory.
    if (records == PageRecords::InOutputDir) document.setOutputDir(record.getOutputDir());
    if (!document.open(inputFile)) return false;
    return generate(document);
}

}  // namespace

bool GetPagesCountCommand::executeJob(JobInput* input) {
    if (!Utility::FileExists(input->getInputFile())) {
        reportMissingInput(input->getInputFile());
        throw "Cannot open pdf file!";
    }
    return runOnDocument(*input, InputCheck::None, PageRecords::Ignored, [](PDFDocument& d) {
        std::printf("PageCount=%d", d.getNumberOfPages());
        return true;
    });
}

bool CreateImagesCommand::executeJob(JobInput* input) {
    auto* record = static_cast<CreateImagesInput*>(input);
    return runOnDocument(*record, InputCheck::None, PageRecords::Ignored, [&](PDFDocument& d) {
        bool result = d.createImages(record);
        d.setImagesHeaderResolution(record);
        return result;
    });
}

bool CreateDocumentXMLCommand::executeJob(JobInput* input) {
    auto* record = static_cast<CreateDocumentXMLInput*>(input);
    return runOnDocument(*record, InputCheck::None, PageRecords::Ignored,
                         [&](PDFDocument& d) { return d.createDocumentXML(record); });
}

bool CreatePagesXMLCommand::executeJob(JobInput* input) {
    auto* record = static_cast<CreatePagesXMLInput*>(input);
    return runOnDocument(*record, InputCheck::MustExist, PageRecords::Ignored,
                         [&](PDFDocument& d) { return d.createPagesXML(record); });
}

bool CreateIndexCommand::executeJob(JobInput* input) {
    auto* record = static_cast<CreateIndexInput*>(input);
    return runOnDocument(*record, InputCheck::MustExist, PageRecords::Ignored, [&](PDFDocument& d) {
        return d.createIndex(record, record->getGenerateRtlOutput());
    });
}

bool CreatePagesHTMLCommand::executeJob(JobInput* input) {
    auto* record = static_cast<CreatePagesHTMLInput*>(input);
    return runOnDocument(*record, InputCheck::MustExist, PageRecords::Ignored,
                         [&](PDFDocument& d) { return d.createHTMLPages(record); });
}

bool CreateSEOCommand::executeJob(JobInput* input) {
    auto* record = static_cast<CreateSEOInput*>(input);
    return runOnDocument(*record, InputCheck::MustExist, PageRecords::Ignored,
                         [&](PDFDocument& d) { return d.createSEO(record); });
}

bool RecogzineLinksCommand::executeJob(JobInput* input) {
    auto* record = static_cast<RecognizeLinksInput*>(input);
    return runOnDocument(*record, InputCheck::MustExist, PageRecords::InOutputDir,
                         [&](PDFDocument& d) {
                             return record->getUseBinarySearch() ? d.recognizeLinksFromFile(record)
                                                                 : d.recognizeLinks(record);
                         });
}

bool RecogzineProductsCommand::executeJob(JobInput* input) {
    auto* record = static_cast<RecognizeProductsInput*>(input);
    return runOnDocument(*record, InputCheck::MustExist, PageRecords::InOutputDir,
                         [&](PDFDocument& d) { return d.recognizeProducts(record); });
}
