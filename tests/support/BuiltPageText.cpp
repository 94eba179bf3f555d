#include "support/BuiltPageText.h"

#include <algorithm>

#include "pdf/Document.h"
#include "pdf/text/TextPage.h"
#include "support/SyntheticText.h"

namespace testing_support {

std::vector<std::string> BuiltPageText::linesOf(const pdfbuild::DocumentSpec& spec) {
    const std::string path = dir.file("page" + std::to_string(++count_) + ".pdf");
    pdfbuild::writePdf(spec, path);
    pdf::Document doc(path);
    return testing_support::linesOf(pdf::TextPage(doc.page(1)));
}

std::vector<std::string> BuiltPageText::linesOf(const pdfbuild::PageSpec& page) {
    pdfbuild::DocumentSpec spec;
    spec.pages = {page};
    return linesOf(spec);
}

std::vector<std::string> BuiltPageText::textLinesOf(const pdfbuild::PageSpec& page) {
    pdfbuild::DocumentSpec spec;
    spec.pages = {page};
    const std::string path = dir.file("page" + std::to_string(++count_) + ".pdf");
    pdfbuild::writePdf(spec, path);
    pdf::Document doc(path);
    std::vector<std::string> lines;
    std::string text = pdf::TextPage(doc.page(1)).text();
    for (std::size_t start = 0, end; start <= text.size(); start = end + 1) {
        end = std::min(text.find('\n', start), text.size());
        lines.push_back(text.substr(start, end - start));
    }
    return lines;
}

}  // namespace testing_support
