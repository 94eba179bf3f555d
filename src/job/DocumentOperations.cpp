// The job's operations on a document: each reads its command's parameter record and runs the
// generator of its output with plain values (document/GeneratorOptions.h,
// recognition/Recognition.h). Nothing else of the document or recognition reads a record.
#include "document/PDFDocument.h"
#include "job/JobInput.h"
#include "job/RecognizeLinksInput.h"
#include "recognition/Recognition.h"

namespace {

ImageOptions imageOptions(const CreateImagesInput& record) {
    ImageOptions options;
    options.outputDir = record.getOutputDir();
    options.prefix = record.getPrefix();
    options.width = record.getWidth();
    options.height = record.getHeight();
    options.resolution = record.getResolution();
    options.quality = record.getQuality();
    options.headerResolution = record.getHeaderResolution();
    return options;
}

template <typename Record>
RecognitionRange pagesAsked(const Record& record) {
    RecognitionRange range;
    range.useRange = record.getUseRange() != 0;
    range.fromPage = record.getFromPage();
    range.toPage = record.getToPage();
    return range;
}

}  // namespace

bool PDFDocument::createImages(CreateImagesInput* input) {
    return writeImages(imageOptions(*input));
}

void PDFDocument::setImagesHeaderResolution(CreateImagesInput* input) {
    writeImagesHeaderResolution(imageOptions(*input));
}

bool PDFDocument::createDocumentXML(CreateDocumentXMLInput* input) {
    DescriptorOptions options;
    options.outputDir = input->getOutputDir();
    options.docId = input->getDocId();
    options.version = input->getVersion();
    options.thumbPrefix = input->getThumbPrefix();
    options.pagesPrefix = input->getPagesPrefix();
    options.zoomPrefix = input->getZoomPrefix();
    options.zoomPostfix = input->getZoomPostfix();
    options.thumbWidth = input->getThumbWidth();
    options.importPageLabels = input->getImportPageLabels();
    options.importBookmarks = input->getImportBookmarks();
    return writeDescriptor(options);
}

bool PDFDocument::createPagesXML(CreatePagesXMLInput* input) {
    return writePageRecords(input->getOutputDir(), input->getImportLinks());
}

bool PDFDocument::createIndex(CreateIndexInput* input, bool generateRtlOutput) {
    return writeTextIndex(input->getOutputDir(), generateRtlOutput);
}

bool PDFDocument::createHTMLPages(CreatePagesHTMLInput* input) {
    return writeHtmlPages(input->getOutputDir());
}

bool PDFDocument::createSEO(CreateSEOInput* input) {
    SeoOptions options;
    options.outputDir = input->getOutputDir();
    options.title = input->getTitle();
    options.creatorName = input->getCreatorName();
    options.creatorUrl = input->getCreatorUrl();
    options.addCreatorLink = input->getAddCreatorLink();
    options.maxLines = input->getMaxLines();
    return writeSeo(options);
}

bool PDFDocument::recognizeLinks(RecognizeLinksInput* input) {
    return recognizeExpressionLinks(*this, input->getExpressions(), pagesAsked(*input),
                                    input->getGotoFirstNumberInRange(), input->getImportPdfLinks());
}

bool PDFDocument::recognizeLinksFromFile(RecognizeLinksInput* input) {
    return recognizeWordListLinks(*this, input->getExpressions());
}

bool PDFDocument::recognizeProducts(RecognizeProductsInput* input) {
    return recognizeProductLinks(*this, input->getExpressions(), pagesAsked(*input));
}
