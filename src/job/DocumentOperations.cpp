// The jobs' operations (declared with their parameters in JobTable.h): each opens the PDF and
// hands its parameters to the generator of its output as plain values
// (document/GeneratorOptions.h, recognition/Recognition.h).
#include <climits>
#include <cstdio>
#include <functional>

#include "document/HtmlPages.h"
#include "document/OutputFile.h"
#include "document/PDFDocument.h"
#include "document/PageImages.h"
#include "document/SeoText.h"
#include "document/TextIndex.h"
#include "document/TextLayer.h"
#include "document/Utility.h"
#include "job/JobTable.h"
#include "recognition/Recognition.h"

namespace {

// Why a job finds no input: to standard error, for the operator; what clients read stays as
// it was.
void reportMissingInput(const std::string& path) {
    std::fprintf(stderr, "error: input file '%s' cannot be found: %s\n", path.c_str(),
                 Utility::whyMissing(path).c_str());
}

// A temporary file of this program not changed for this long was left by a writer that died:
// none takes more than seconds between making one and putting it in place.
constexpr long kStaleTemporarySeconds = 15 * 60;

// How a job treats its input file and page records.
enum class InputCheck { None, MustExist };
enum class PageRecords { Ignored, InOutputDir };

// The frame every operation shares: test the input file when the job does, clear stale
// temporary files from the output directory, open the PDF (its page records in the output
// directory when the job works on them), run the generator, close the document.
bool runOnDocument(const std::string& inputFile, const std::string& outputDir, InputCheck check,
                   PageRecords records, const std::function<bool(PDFDocument&)>& generate) {
    if (check == InputCheck::MustExist && !Utility::FileExists(inputFile)) {
        reportMissingInput(inputFile);
        return false;
    }
    // Temporary files that writers killed before their commit left behind go before new ones
    // are made.
    if (!outputDir.empty()) OutputFile::removeStale(outputDir, kStaleTemporarySeconds);
    PDFDocument document;
    if (records == PageRecords::InOutputDir) document.setOutputDir(outputDir);
    if (!document.open(inputFile)) return false;
    return generate(document);
}

RecognitionRange pagesAsked(int useRange, int fromPage, int toPage) {
    RecognitionRange range;
    range.useRange = useRange != 0;
    range.fromPage = fromPage;
    range.toPage = toPage;
    return range;
}

}  // namespace

bool getPagesCount(const GetPagesCountParams& params) {
    if (!Utility::FileExists(params.inputFile)) {
        reportMissingInput(params.inputFile);
        throw "Cannot open pdf file!";
    }
    return runOnDocument(params.inputFile, "", InputCheck::None, PageRecords::Ignored,
                         [](PDFDocument& d) {
                             std::printf("PageCount=%d", d.getNumberOfPages());
                             return true;
                         });
}

bool createImages(const CreateImagesParams& params) {
    const ImageOptions& options = params;
    return runOnDocument(params.inputFile, params.outputDir, InputCheck::None, PageRecords::Ignored,
                         [&](PDFDocument& d) {
                             bool result = writeImages(d.pdf(), options);
                             reportHeaderResolution(d.pdf(), options);
                             return result;
                         });
}

bool createDocumentXml(const CreateDocumentXmlParams& params) {
    const DescriptorOptions& options = params;
    return runOnDocument(params.inputFile, params.outputDir, InputCheck::None, PageRecords::Ignored,
                         [&](PDFDocument& d) { return d.writeDescriptor(options); });
}

bool createPagesXml(const CreatePagesXmlParams& params) {
    return runOnDocument(
        params.inputFile, params.outputDir, InputCheck::MustExist, PageRecords::Ignored,
        [&](PDFDocument& d) { return d.writePageRecords(params.outputDir, params.importLinks); });
}

bool createIndex(const CreateIndexParams& params) {
    return runOnDocument(params.inputFile, params.outputDir, InputCheck::MustExist,
                         PageRecords::Ignored, [&](PDFDocument& d) {
                             return writeTextIndex(d.pdf(), params.outputDir,
                                                   params.generateRtlOutput);
                         });
}

bool createPagesHtml(const CreatePagesHtmlParams& params) {
    return runOnDocument(params.inputFile, params.outputDir, InputCheck::MustExist,
                         PageRecords::Ignored,
                         [&](PDFDocument& d) { return writeHtmlPages(d.pdf(), params.outputDir); });
}

bool createTextLayer(const CreateTextLayerParams& params) {
    const bool ranged = params.useRange != 0;
    return runOnDocument(params.inputFile, params.outputDir, InputCheck::MustExist,
                         PageRecords::Ignored, [&](PDFDocument& d) {
                             return writeTextLayer(d.pdf(), params.outputDir,
                                                   ranged ? params.fromPage : 1,
                                                   ranged ? params.toPage : INT_MAX);
                         });
}

bool createSeoText(const CreateSeoTextParams& params) {
    const SeoOptions& options = params;
    return runOnDocument(params.inputFile, params.outputDir, InputCheck::MustExist,
                         PageRecords::Ignored,
                         [&](PDFDocument& d) { return writeSeo(d.pdf(), options); });
}

bool recognizeLinks(const RecognizeLinksParams& params) {
    return runOnDocument(params.inputFile, params.outputDir, InputCheck::MustExist,
                         PageRecords::InOutputDir, [&](PDFDocument& d) {
                             if (params.useBinarySearch)
                                 return recognizeWordListLinks(d, params.expressions);
                             return recognizeExpressionLinks(
                                 d, params.expressions,
                                 pagesAsked(params.useRange, params.fromPage, params.toPage),
                                 params.gotoFirstNumberInRange, params.importPdfLinks);
                         });
}

bool importProducts(const ImportProductsParams& params) {
    return runOnDocument(params.inputFile, params.outputDir, InputCheck::MustExist,
                         PageRecords::InOutputDir, [&](PDFDocument& d) {
                             return recognizeProductLinks(
                                 d, params.expressions,
                                 pagesAsked(params.useRange, params.fromPage, params.toPage));
                         });
}

bool createPublication(const CreatePublicationParams& params) {
    // Nothing is written into the output directory itself: its stale temporaries stay for the
    // jobs that made them.
    return runOnDocument(params.inputFile, "", InputCheck::MustExist, PageRecords::Ignored,
                         [&](PDFDocument& d) { return writePublication(d, params); });
}
