// Text painted over text, on PDFs built from code: a page number that a
// producer set on top of a running heading is read as a line of its own,
// and the heading stays whole; text painted twice to look bold still reads
// once.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "pdf/Document.h"
#include "pdf/Library.h"
#include "pdf/builder/PdfBuilder.h"
#include "pdf/text/TextPage.h"
#include "support/BuiltPageText.h"
#include "support/SyntheticText.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

class OverprintedLine : public BuiltPageText {};

TEST_F(OverprintedLine, PageNumberOverAHeadingReadsApart) {
    const std::string heading = "ModeOpenCompound";
    const double headingWidth = pdfbuild::textWidth(pdfbuild::textRun(0, 0, heading, 10));
    // The number's digits fall on the heading's last letters: on its
    // baseline, and a point below it in a larger size.
    for (auto [size, drop] : {std::pair<double, double>{10, 0}, {12, 1}}) {
        pdfbuild::PageSpec page;
        page.texts = {pdfbuild::textRun(72, 720, heading, 10),
                      pdfbuild::textRun(72 + headingWidth - 20, 720 - drop, "169", size),
                      pdfbuild::textRun(72, 690, "The body of the page starts here.", 10)};
        std::vector<std::string> lines = linesOf(page);
        // Each a line of its own; the taller one first.
        std::vector<std::string> expected = {heading, "169", "The body of the page starts here."};
        if (size > 10) std::swap(expected[0], expected[1]);
        EXPECT_EQ(expected, lines) << size;
    }
    // Fake bold: the same heading painted twice, a tenth of a point apart.
    pdfbuild::PageSpec bold;
    bold.texts = {pdfbuild::textRun(72, 720, heading, 10),
                  pdfbuild::textRun(72.1, 720, heading, 10)};
    EXPECT_EQ((std::vector<std::string>{heading}), linesOf(bold));
}

}  // namespace
