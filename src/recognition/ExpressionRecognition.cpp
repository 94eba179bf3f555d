// "recognizelinks" by regular expressions, and "importproducts".
#include "document/PDFDocument.h"
#include "job/JobInput.h"
#include "job/RecognizeLinksInput.h"
#include "recognition/ExpressionSearch.h"
#include "recognition/LinkRecords.h"
#include "recognition/StringFormatter.h"
#include "text/Ascii.h"

namespace {

// For links to pages, "12-15" names page 12.
std::string firstNumberOfRange(const std::string& text) {
    std::string::size_type dash = text.find('-');
    return dash != std::string::npos && dash > 0 ? text.substr(0, dash) : text;
}

}  // namespace

void PDFDocument::preparePages(const PageRange& range) {
    for (int n = range.from; n <= range.to; ++n) pages[n - 1]->prepare();
}

bool PDFDocument::recognizeLinks(RecognizeLinksInput* input) {
    const PageRange range = searchRange(input->getUseRange() != 0, input->getFromPage(),
                                        input->getToPage(), getNumberOfPages());
    preparePages(range);
    const std::vector<ImportLinksExpression>& expressions = input->getExpressions();
    std::vector<std::string> patterns;
    for (const ImportLinksExpression& e : expressions) patterns.push_back(e.regExp);

    searchExpressions(
        pdf(), range, patterns, [&](size_t index, const std::string& matched, const HitInfo& hit) {
            const ImportLinksExpression& expression = expressions[index];
            std::string text = utf8ToAscii(matched);
            if (input->getGotoFirstNumberInRange() && expression.linkType == 2)
                text = firstNumberOfRange(text);
            std::string url = expression.result;
            StringFormatter::replaceAll(url, "$regresult", text);
            auto* link = new TiXmlElement("link");
            link->SetAttribute("loc", LinkRecords::formatLoc(hit.x, hit.y, hit.width, hit.height));
            link->SetAttribute("url", url);
            link->SetAttribute("target", expression.target);
            link->SetAttribute("linktype", expression.linkType);
            link->SetAttribute("text", text);
            pages[hit.page - 1]->addLink(link);
        });

    if (input->getImportPdfLinks()) {
        for (int n = range.from; n <= range.to; ++n) {
            for (auto& link : importLinksFromPDF(pdf().page(n), true, true, true))
                pages[n - 1]->addLink(link.release());
        }
    }
    savePages();
    return true;
}

bool PDFDocument::recognizeProducts(RecognizeProductsInput* input) {
    const PageRange range = searchRange(input->getUseRange() != 0, input->getFromPage(),
                                        input->getToPage(), getNumberOfPages());
    preparePages(range);
    const std::vector<ProductExpression>& expressions = input->getExpressions();
    std::vector<std::string> patterns;
    for (const ProductExpression& e : expressions) patterns.push_back(e.regExp);

    searchExpressions(pdf(), range, patterns,
                      [&](size_t index, const std::string& matched, const HitInfo& hit) {
                          std::string text = utf8ToAscii(matched);
                          std::string url = expressions[index].result;
                          StringFormatter::replaceAll(url, "$regresult", text);
                          char id[39] = {0};
                          getGuid(id);
                          auto* product = new TiXmlElement("product");
                          product->SetAttribute("id", id);
                          product->SetAttribute("targettype", "0");
                          product->SetAttribute("productid", text);
                          product->SetAttribute(
                              "loc", LinkRecords::formatLoc(hit.x, hit.y, hit.width, hit.height));
                          product->SetAttribute("url", url);
                          product->SetAttribute("text", text);
                          pages[hit.page - 1]->addProduct(product);
                      });
    savePages();
    return true;
}
