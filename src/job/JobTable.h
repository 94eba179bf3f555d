// JobTable — every job, declared once: the parameters its operation receives (a struct), how
// each is read from the job file (its Param table, JobParameters.h), and the operation.
//
// A parameter travels from the job file through its row here into the struct, and the
// operation (DocumentOperations.cpp) hands it to the generator as a plain value
// (document/GeneratorOptions.h, recognition/Recognition.h). Adding a parameter to a job is a
// member and a row here and its use in the operation; adding a job is a struct and a table
// here, an operation, and one line of jobTable() (JobTable.cpp).
//
// The rows are in reading order: the first missing required parameter is the one the job's
// error names, and warnings come in this order. "Default" is what docs/jobs.md states (a test
// compares the two); the struct's initializers are the values before reading.
//
// Every command but getpagescount needs inputfile (the PDF) and outputdir (the output
// directory, with its trailing separator). What each operation does:
//   "getpagescount": requires the input file to exist (else throws the string "Cannot open pdf
//       file!"); prints "PageCount=N", no line end.
//   "createimages": renders every page to a JPEG, then rewrites the image headers' density
//       when asked to.
//   "createdocumentxml": writes document.xml.
//   "createpagesxml": requires the input file to exist (else fails); writes every Page_N.xml
//       from document.xml's page ids.
//   "createindex", "createpageshtml", "createtextlayer", "createseotext": the page text
//       outputs; a missing input file makes them fail at once, printing nothing on standard
//       output. "createtextlayer" writes the pages of its range (all unless "userange").
//   "recognizelinks": requires the input file; adds links found in the page text to the page
//       records in the output directory, by regular expressions or, with "usebinarysearch",
//       by the word list.
//   "importproducts": requires the input file; adds products found by regular expressions to
//       the page records.
//   "createpublication": requires the input file; writes a whole publication into outputdir,
//       each page read once, staged beside it and swapped in (Publication.h).
// Operations return true when the job succeeded; a PDF that cannot be opened has its reason
// printed and makes them return false. They raise what the generators raise (DocumentError,
// pdf::Error, EncodingError).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "document/GeneratorOptions.h"
#include "job/JobParameters.h"
#include "job/Publication.h"
#include "recognition/Expressions.h"

// The PDF and the output directory, first in the table of every job but two.
template <typename P>
constexpr Param<P> inputFileParam() {
    return {"inputfile", ParamKind::Text, Presence::Required, "", &P::inputFile};
}
template <typename P>
constexpr Param<P> outputDirParam() {
    return {"outputdir", ParamKind::Text, Presence::Required, "", &P::outputDir};
}

// The page range of the recognition jobs: "userange" (required), then "frompage" and "topage",
// read only when "userange" is not 0.
template <typename P>
constexpr Param<P> useRangeParam() {
    return {"userange", ParamKind::NumberScanned, Presence::Required, "0", &P::useRange};
}
template <typename P>
constexpr Param<P> rangeEndParam(const char* key, int P::*end) {
    return {key, ParamKind::NumberScanned, Presence::Optional, "1", end, &P::useRange};
}
// "usebinarysearch", required.
template <typename P>
constexpr Param<P> binarySearchParam() {
    return {"usebinarysearch", ParamKind::FlagScanned, Presence::Required, "off",
            &P::useBinarySearch};
}

struct GetPagesCountParams {
    std::string inputFile;
};
inline const Param<GetPagesCountParams> kGetPagesCountParams[] = {
    {"inputfile", ParamKind::Text, Presence::Required, "", &GetPagesCountParams::inputFile},
};
bool getPagesCount(const GetPagesCountParams& params);

// The generator's options are the job's parameters, less the PDF.
struct CreateImagesParams : ImageOptions {
    std::string inputFile;
    CreateImagesParams() {
        quality = 80;
        resolution = 72;
        headerResolution = 72;
    }
};
inline const Param<CreateImagesParams> kCreateImagesParams[] = {
    {"prefix", ParamKind::Text, Presence::Required, "", &CreateImagesParams::prefix},
    {"outputdir", ParamKind::Text, Presence::Required, "", &CreateImagesParams::outputDir},
    {"quality", ParamKind::NumberAtoi, Presence::Required, "", &CreateImagesParams::quality},
    {"resolution", ParamKind::NumberAtoi, Presence::Required, "", &CreateImagesParams::resolution},
    {"headerresolution", ParamKind::NumberAtoi, Presence::Required, "",
     &CreateImagesParams::headerResolution},
    {"width", ParamKind::NumberAtoi, Presence::Optional, "0", &CreateImagesParams::width},
    {"height", ParamKind::NumberAtoi, Presence::Optional, "0", &CreateImagesParams::height},
    {"inputfile", ParamKind::Text, Presence::Required, "", &CreateImagesParams::inputFile},
};
bool createImages(const CreateImagesParams& params);
// Warns of a JPEG quality outside 1 to 100 (the encoder clamps it).
void checkImageQuality(const CreateImagesParams& params, ParamReader& reader);

struct CreateDocumentXmlParams : DescriptorOptions {
    std::string inputFile;
    std::string documentLang;  // required, but nothing is written from it
};
inline const Param<CreateDocumentXmlParams> kCreateDocumentXmlParams[] = {
    inputFileParam<CreateDocumentXmlParams>(),
    outputDirParam<CreateDocumentXmlParams>(),
    {"version", ParamKind::Text, Presence::Required, "", &CreateDocumentXmlParams::version},
    {"documentlang", ParamKind::Text, Presence::Required, "",
     &CreateDocumentXmlParams::documentLang},
    {"thumbprefix", ParamKind::Text, Presence::Required, "", &CreateDocumentXmlParams::thumbPrefix},
    {"pagesprefix", ParamKind::Text, Presence::Required, "", &CreateDocumentXmlParams::pagesPrefix},
    {"zoomprefix", ParamKind::Text, Presence::Required, "", &CreateDocumentXmlParams::zoomPrefix},
    {"zoompostfix", ParamKind::Text, Presence::Required, "", &CreateDocumentXmlParams::zoomPostfix},
    {"docid", ParamKind::Text, Presence::Required, "", &CreateDocumentXmlParams::docId},
    {"thumbwidth", ParamKind::NumberAtoi, Presence::Optional, "0",
     &CreateDocumentXmlParams::thumbWidth},
    {"importbookmarks", ParamKind::FlagTrue, Presence::Required, "off",
     &CreateDocumentXmlParams::importBookmarks},
    {"importpagelabels", ParamKind::FlagTrue, Presence::Required, "off",
     &CreateDocumentXmlParams::importPageLabels},
};
bool createDocumentXml(const CreateDocumentXmlParams& params);

struct CreatePagesXmlParams {
    std::string inputFile, outputDir;
    bool importLinks = true;
};
inline const Param<CreatePagesXmlParams> kCreatePagesXmlParams[] = {
    inputFileParam<CreatePagesXmlParams>(),
    outputDirParam<CreatePagesXmlParams>(),
    {"importlinks", ParamKind::FlagOne, Presence::Required, "", &CreatePagesXmlParams::importLinks},
};
bool createPagesXml(const CreatePagesXmlParams& params);

struct CreateIndexParams {
    std::string inputFile, outputDir;
    bool generateRtlOutput = false;
};
inline const Param<CreateIndexParams> kCreateIndexParams[] = {
    inputFileParam<CreateIndexParams>(),
    outputDirParam<CreateIndexParams>(),
    {"generatertloutput", ParamKind::FlagOne, Presence::Optional, "off",
     &CreateIndexParams::generateRtlOutput},
};
bool createIndex(const CreateIndexParams& params);

struct CreatePagesHtmlParams {
    std::string inputFile, outputDir;
};
inline const Param<CreatePagesHtmlParams> kCreatePagesHtmlParams[] = {
    inputFileParam<CreatePagesHtmlParams>(),
    outputDirParam<CreatePagesHtmlParams>(),
};
bool createPagesHtml(const CreatePagesHtmlParams& params);

// The page range as the recognition jobs read it, "userange" optional here.
struct CreateTextLayerParams {
    std::string inputFile, outputDir;
    int useRange = 0;
    int fromPage = 1;
    int toPage = 1;
};
inline const Param<CreateTextLayerParams> kCreateTextLayerParams[] = {
    inputFileParam<CreateTextLayerParams>(),
    outputDirParam<CreateTextLayerParams>(),
    {"userange", ParamKind::NumberScanned, Presence::Optional, "0",
     &CreateTextLayerParams::useRange},
    rangeEndParam<CreateTextLayerParams>("frompage", &CreateTextLayerParams::fromPage),
    rangeEndParam<CreateTextLayerParams>("topage", &CreateTextLayerParams::toPage),
};
bool createTextLayer(const CreateTextLayerParams& params);

struct CreateSeoTextParams : SeoOptions {
    std::string inputFile;
};
inline const Param<CreateSeoTextParams> kCreateSeoTextParams[] = {
    inputFileParam<CreateSeoTextParams>(),
    outputDirParam<CreateSeoTextParams>(),
    {"title", ParamKind::Text, Presence::RequiredMayBeEmpty, "", &CreateSeoTextParams::title},
    {"maxlines", ParamKind::NumberStreamed, Presence::Required, "", &CreateSeoTextParams::maxLines},
    {"addcreatorlink", ParamKind::FlagOne, Presence::Required, "",
     &CreateSeoTextParams::addCreatorLink},
    {"creatorname", ParamKind::Text, Presence::Required, "", &CreateSeoTextParams::creatorName},
    {"creatorurl", ParamKind::Text, Presence::Required, "", &CreateSeoTextParams::creatorUrl},
};
bool createSeoText(const CreateSeoTextParams& params);

struct RecognizeLinksParams {
    std::string inputFile, outputDir;
    bool gotoFirstNumberInRange = false;
    int useRange = 0;
    int fromPage = 1;
    int toPage = 1;
    bool importPdfLinks = false;
    bool useBinarySearch = false;
    std::vector<ImportLinksExpression> expressions;
};
inline const Param<RecognizeLinksParams> kRecognizeLinksParams[] = {
    inputFileParam<RecognizeLinksParams>(),
    outputDirParam<RecognizeLinksParams>(),
    {"gotofirstnumberinrange", ParamKind::FlagOne, Presence::Optional, "off",
     &RecognizeLinksParams::gotoFirstNumberInRange},
    useRangeParam<RecognizeLinksParams>(),
    rangeEndParam<RecognizeLinksParams>("frompage", &RecognizeLinksParams::fromPage),
    rangeEndParam<RecognizeLinksParams>("topage", &RecognizeLinksParams::toPage),
    {"importpdflinks", ParamKind::FlagScanned, Presence::Required, "off",
     &RecognizeLinksParams::importPdfLinks},
    binarySearchParam<RecognizeLinksParams>(),
    {"expresions", ParamKind::LinkExpressions, Presence::Optional, "none",
     &RecognizeLinksParams::expressions},
};
bool recognizeLinks(const RecognizeLinksParams& params);

struct ImportProductsParams {
    std::string inputFile, outputDir;
    int useRange = 0;
    int fromPage = 1;
    int toPage = 1;
    bool useBinarySearch = false;  // read and checked; it changes nothing
    std::vector<ProductExpression> expressions;
};
inline const Param<ImportProductsParams> kImportProductsParams[] = {
    inputFileParam<ImportProductsParams>(),
    outputDirParam<ImportProductsParams>(),
    useRangeParam<ImportProductsParams>(),
    rangeEndParam<ImportProductsParams>("frompage", &ImportProductsParams::fromPage),
    rangeEndParam<ImportProductsParams>("topage", &ImportProductsParams::toPage),
    binarySearchParam<ImportProductsParams>(),
    {"expresions", ParamKind::ProductExpressions, Presence::Optional, "none",
     &ImportProductsParams::expressions},
};
bool importProducts(const ImportProductsParams& params);

// The whole publication in one operation (Publication.h).
struct CreatePublicationParams : PublicationOptions {
    std::string inputFile;
    CreatePublicationParams() { toPage = 1; }
};
inline const Param<CreatePublicationParams> kCreatePublicationParams[] = {
    inputFileParam<CreatePublicationParams>(),
    outputDirParam<CreatePublicationParams>(),
    {"documentlang", ParamKind::Text, Presence::Optional, "en", &CreatePublicationParams::lang},
    {"docid", ParamKind::Text, Presence::Optional, "", &CreatePublicationParams::docId},
    {"title", ParamKind::Text, Presence::Optional, "", &CreatePublicationParams::title},
    {"generatertloutput", ParamKind::FlagOne, Presence::Optional, "off",
     &CreatePublicationParams::rightToLeft},
    {"expresions", ParamKind::LinkExpressions, Presence::Optional, "none",
     &CreatePublicationParams::linkExpressions},
    {"products", ParamKind::ProductExpressions, Presence::Optional, "none",
     &CreatePublicationParams::productExpressions},
    {"viewerdir", ParamKind::Text, Presence::Optional, "", &CreatePublicationParams::viewerDir},
    {"withpdf", ParamKind::FlagOne, Presence::Optional, "off", &CreatePublicationParams::withPdf},
    {"notiles", ParamKind::FlagOne, Presence::Optional, "off", &CreatePublicationParams::noTiles},
    {"userange", ParamKind::NumberScanned, Presence::Optional, "0",
     &CreatePublicationParams::useRange},
    rangeEndParam<CreatePublicationParams>("frompage", &CreatePublicationParams::fromPage),
    rangeEndParam<CreatePublicationParams>("topage", &CreatePublicationParams::toPage),
    {"searchpartbytes", ParamKind::NumberAtoi, Presence::Optional, "131072",
     &CreatePublicationParams::searchPartBytes},
    {"quiet", ParamKind::FlagOne, Presence::Optional, "off", &CreatePublicationParams::quiet},
};
bool createPublication(const CreatePublicationParams& params);

// A job read from its file, ready to run.
struct ReadJob {
    bool ok = false;
    std::string error;                  // why ok is false, one line
    std::vector<std::string> warnings;  // for standard error, one line each
    std::function<bool()> run;          // the operation on the parameters read; set when ok
};

// One entry of the table, whatever its parameter struct.
struct JobEntry {
    const char* name;  // the command, compared exactly
    std::vector<ParamInfo> params;
    // Reads the parameters from the "job" element and collects the diagnostics.
    std::function<ReadJob(TiXmlNode* job)> read;
};

// Every runnable job, in the order --help lists them.
const std::vector<JobEntry>& jobTable();
// The entry named name, or nullptr.
const JobEntry* findJob(const std::string& name);
// True for the command names that exist but run nothing ("createintopage", "end").
bool isIdleCommand(const std::string& name);
