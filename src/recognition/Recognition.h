// The recognition jobs over an open document: links (and products) found in the page text,
// located on the page, appended to the page records and saved.
//
// Each takes plain values (the job driver reads them from the job's record). Before anything
// is searched, the records of the pages searched are loaded and checked, so a missing or broken
// one fails the job first; at the end all changed records are saved together
// (PDFDocument::savePages). Progress lines go to standard output as the pages are read.
//
// What a job may find is bounded (LinkLimits.h): at most kMaxLinksPerPage links or products on
// a page and kMaxLinksPerJob in the job; one more fails the job before any record is saved.
//
// Throws DocumentError (records, or more found than LinkLimits.h allows), pdf::Error (the PDF
// library) or EncodingError, as the generators of PDFDocument.h do.
#pragma once

#include <vector>

#include "recognition/Expressions.h"

class PDFDocument;
class TiXmlElement;
struct HitInfo;

// The pages a job asks for: all of them unless useRange; fromPage..toPage otherwise, cut to
// the document.
struct RecognitionRange {
    bool useRange = false;
    int fromPage = 1;
    int toPage = 1;
};

// "recognizelinks": every located match of every expression becomes a <link>; with
// gotoFirstNumberInRange, a page link's text "12-15" becomes "12"; with importPdfLinks the
// range's own link annotations are added after them. Always true.
bool recognizeExpressionLinks(PDFDocument& document,
                              const std::vector<ImportLinksExpression>& expressions,
                              const RecognitionRange& range, bool gotoFirstNumberInRange,
                              bool importPdfLinks);

// "recognizelinks" with "usebinarysearch": every word of every page that the word list holds
// becomes a <link>. Always true.
bool recognizeWordListLinks(PDFDocument& document, std::vector<ImportLinksExpression> expressions);

// "importproducts": every located match becomes a <product>. Always true.
bool recognizeProductLinks(PDFDocument& document, const std::vector<ProductExpression>& expressions,
                           const RecognitionRange& range);

// One <link> per hit, handed to the record of the hit's page ("$regresult" in the hit's url
// replaced by its text); a hit on a page without a record is left out.
void addLinksFromHits(PDFDocument& document, const std::vector<HitInfo>& hits);

// The <link> "recognizelinks" makes of one located rectangle of a match of expression (the
// caller takes it): its text the match in ASCII, its address the expression's result with
// "$regresult" replaced by the match percent-encoded; with gotoFirstNumberInRange a page
// link's "12-15" becomes "12".
TiXmlElement* recognizedLink(const ImportLinksExpression& expression, const std::string& matched,
                             const HitInfo& hit, bool gotoFirstNumberInRange);

// The <product> "importproducts" makes of one located rectangle of a match (the caller takes
// it); its id is the next of the random sequence (PDFDocument::getGuid), so products must be
// made in the job's order: expression by expression, page by page, match by match.
TiXmlElement* recognizedProduct(const ProductExpression& expression, const std::string& matched,
                                const HitInfo& hit);
