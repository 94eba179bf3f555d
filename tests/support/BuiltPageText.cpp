#include "support/BuiltPageText.h"

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

}  // namespace testing_support
