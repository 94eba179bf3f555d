// make_fuzz_seeds DIR -- writes the PDF fuzz target's seed inputs into DIR: small PDFs that
// each reach a different part of the reader, so the fuzzer starts from files that already get
// past the parser.
//
//   text-links.pdf   two pages of Helvetica text with web, mail and go-to links, an outline
//                    and page labels
//   turned.pdf       a page shown turned (/Rotate 90) and a cropped page with text at an angle
//   vertical.pdf     an Identity-V CID font written down a column
//   type3.pdf        a Type 3 font with ligature glyph names and a ToUnicode map, in a form
//                    painted twice, behind optional content that is off
#include <cstdio>
#include <exception>
#include <string>

#include "pdf/builder/PdfBuilder.h"
#include "pdf/builder/RawFonts.h"

namespace {

void textAndLinks(const std::string& dir) {
    pdfbuild::DocumentSpec doc;
    for (int p = 0; p < 2; ++p) {
        pdfbuild::PageSpec page;
        page.texts = {pdfbuild::textRun(72, 700, "Visit www.example.com or mail info@example.com"),
                      pdfbuild::textRun(72, 680, "see page 2, product QX-1042, 12-15 pages")};
        pdfbuild::Link web;
        web.x0 = 100, web.y0 = 695, web.x1 = 200, web.y1 = 710;
        web.kind = pdfbuild::Link::Uri;
        web.uri = "http://www.example.com/";
        pdfbuild::Link go;
        go.x0 = 72, go.y0 = 675, go.x1 = 140, go.y1 = 690;
        go.targetPage = 1 - p;
        page.links = {web, go};
        doc.pages.push_back(page);
    }
    pdfbuild::OutlineItem first;
    first.title = "First";
    first.page = 0;
    pdfbuild::OutlineItem second;
    second.title = "Second";
    second.page = 1;
    first.children = {second};
    doc.outline = {first};
    doc.labels = {{0, 'r', "", 1}, {1, 'D', "A-", 1}};
    pdfbuild::writePdf(doc, dir + "/text-links.pdf");
}

void turned(const std::string& dir) {
    pdfbuild::DocumentSpec doc;
    pdfbuild::PageSpec upright;
    upright.rotate = 90;
    pdfbuild::TextRun run = pdfbuild::textRun(300, 100, "Turned page text 42");
    run.angle = 90;
    upright.texts = {run};
    doc.pages.push_back(upright);
    pdfbuild::PageSpec cropped;
    cropped.cropBox = std::array<double, 4>{50, 50, 400, 500};
    pdfbuild::TextRun slanted = pdfbuild::textRun(100, 300, "At an angle");
    slanted.angle = 30;
    cropped.texts = {slanted};
    doc.pages.push_back(cropped);
    pdfbuild::writePdf(doc, dir + "/turned.pdf");
}

void vertical(const std::string& dir) {
    pdfbuild::DocumentSpec doc;
    std::string font = pdfbuild::addVerticalFont(doc, {{1, "1"}, {2, "2"}, {3, "3"}});
    pdfbuild::PageSpec page;
    page.resources = {{"Font", "V1", font}};
    page.rawContent = "BT /V1 20 Tf 1 0 0 1 300 700 Tm <000100020003> Tj ET";
    doc.pages.push_back(page);
    pdfbuild::writePdf(doc, dir + "/vertical.pdf");
}

void type3(const std::string& dir) {
    pdfbuild::DocumentSpec doc;
    std::string font = pdfbuild::addType3Font(doc, {{1, "fi", 600}, {2, "l", 250}, {3, "e", 500}},
                                              {{1, "fi"}, {2, "l"}, {3, "e"}});
    pdfbuild::PageSpec page;
    page.resources = {{"Font", "T3", font}};
    page.forms = {{"F0", "BT /T3 10 Tf 1 0 0 1 0 0 Tm <010203> Tj ET"}};
    page.rawContent =
        "q 1 0 0 1 100 700 cm /F0 Do Q q 1 0 0 1 100 650 cm /F0 Do Q "
        "/OC /Off BDC BT /T3 10 Tf 1 0 0 1 100 600 Tm <0102> Tj ET EMC";
    doc.pages.push_back(page);
    pdfbuild::writePdf(doc, dir + "/type3.pdf");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_fuzz_seeds DIR\n");
        return 2;
    }
    try {
        const std::string dir = argv[1];
        textAndLinks(dir);
        turned(dir);
        vertical(dir);
        type3(dir);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_fuzz_seeds: %s\n", e.what());
        return 1;
    }
    return 0;
}
