// "recognizelinks" by regular expressions, and "importproducts".
#include "document/LinkRecords.h"
#include "document/PDFDocument.h"
#include "recognition/ExpressionSearch.h"
#include "recognition/Recognition.h"
#include "recognition/StringFormatter.h"
#include "text/Ascii.h"

namespace {

// For links to pages, "12-15" names page 12.
std::string firstNumberOfRange(const std::string& text) {
    std::string::size_type dash = text.find('-');
    return dash != std::string::npos && dash > 0 ? text.substr(0, dash) : text;
}

// Loads and checks the records of the range before anything is searched.
void preparePages(PDFDocument& document, const PageRange& range) {
    for (int n = range.from; n <= range.to; ++n) document.pageRecord(n).prepare();
}

PageRange pagesOf(const PDFDocument& document, const RecognitionRange& range) {
    return searchRange(range.useRange, range.fromPage, range.toPage, document.getNumberOfPages());
}

}  // namespace

bool recognizeExpressionLinks(PDFDocument& document,
                              const std::vector<ImportLinksExpression>& expressions,
                              const RecognitionRange& pagesAsked, bool gotoFirstNumberInRange,
                              bool importPdfLinks) {
    const PageRange range = pagesOf(document, pagesAsked);
    preparePages(document, range);
    std::vector<std::string> patterns;
    for (const ImportLinksExpression& e : expressions) patterns.push_back(e.regExp);

    LinkLimits limits("links");
    searchExpressions(document.pdf(), range, patterns, limits,
                      [&](size_t index, const std::string& matched, const HitInfo& hit) {
                          document.pageRecord(hit.page).addLink(recognizedLink(
                              expressions[index], matched, hit, gotoFirstNumberInRange));
                      });

    if (importPdfLinks) {
        for (int n = range.from; n <= range.to; ++n) {
            for (auto& link : document.importLinksFromPDF(document.pdf().page(n), true, true, true))
                document.pageRecord(n).addLink(link.release());
        }
    }
    document.savePages();
    return true;
}

bool recognizeProductLinks(PDFDocument& document, const std::vector<ProductExpression>& expressions,
                           const RecognitionRange& pagesAsked) {
    const PageRange range = pagesOf(document, pagesAsked);
    preparePages(document, range);
    std::vector<std::string> patterns;
    for (const ProductExpression& e : expressions) patterns.push_back(e.regExp);

    LinkLimits limits("products");
    searchExpressions(document.pdf(), range, patterns, limits,
                      [&](size_t index, const std::string& matched, const HitInfo& hit) {
                          document.pageRecord(hit.page).addProduct(
                              recognizedProduct(expressions[index], matched, hit));
                      });
    document.savePages();
    return true;
}

TiXmlElement* recognizedLink(const ImportLinksExpression& expression, const std::string& matched,
                             const HitInfo& hit, bool gotoFirstNumberInRange) {
    // The record's text is ASCII, as it always was; the address carries the match
    // percent-encoded, so that it leads where the printed address does.
    std::string text = utf8ToAscii(matched);
    std::string inAddress = matched;
    if (gotoFirstNumberInRange && expression.linkType == 2) {
        text = firstNumberOfRange(text);
        inAddress = firstNumberOfRange(inAddress);
    }
    std::string url = expression.result;
    StringFormatter::replaceAll(url, "$regresult", StringFormatter::addressForm(inAddress));
    return LinkRecords::newLink(LinkRecords::formatLoc(hit.x, hit.y, hit.width, hit.height), url,
                                expression.target, expression.linkType, text);
}

TiXmlElement* recognizedProduct(const ProductExpression& expression, const std::string& matched,
                                const HitInfo& hit) {
    std::string text = utf8ToAscii(matched);
    std::string url = expression.result;
    StringFormatter::replaceAll(url, "$regresult", StringFormatter::addressForm(matched));
    char id[39] = {0};
    PDFDocument::getGuid(id);
    auto* product = new TiXmlElement("product");
    product->SetAttribute("id", id);
    product->SetAttribute("targettype", "0");
    product->SetAttribute("productid", text);
    product->SetAttribute("loc", LinkRecords::formatLoc(hit.x, hit.y, hit.width, hit.height));
    product->SetAttribute("url", url);
    product->SetAttribute("text", text);
    return product;
}
