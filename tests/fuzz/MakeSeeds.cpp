// make_fuzz_seeds DIR -- writes the PDF fuzz target's seed inputs into DIR: small PDFs that
// each reach a different part of the reader, so the fuzzer starts from files that already get
// past the parser.
// make_fuzz_seeds --layout DIR -- writes the layout fuzz target's seeds (LayoutInput.h): the
// characters that pages built here paint, as MuPDF reads them. tests/fuzz/seeds/layout holds
// what this wrote; the seeds are numbers only.
//
//   contents-spaced-leaders.bin  a contents page whose leader dots are glyphs of their own on
//                                one grid (the page that once sent the table search round in
//                                circles: TableText.SpacedLeaderDotsEndTheTableSearch)
//   price-table.bin              a table between two paragraphs, a wrapped cell
//   two-columns.bin              two columns of running text under a heading, hyphenated
//   turned-marks-hebrew.bin      text turned a quarter, accents, a Hebrew line
//
//   text-links.pdf   two pages of Helvetica text with web, mail and go-to links, an outline
//                    and page labels
//   turned.pdf       a page shown turned (/Rotate 90) and a cropped page with text at an angle
//   vertical.pdf     an Identity-V CID font written down a column
//   type3.pdf        a Type 3 font with ligature glyph names and a ToUnicode map, in a form
//                    painted twice, behind optional content that is off
#include <cstdio>
#include <exception>
#include <fstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "fuzz/LayoutInput.h"
#include "pdf/Document.h"
#include "pdf/Library.h"
#include "pdf/builder/PdfBuilder.h"
#include "pdf/builder/RawFonts.h"
#include "pdf/text/PaintedText.h"
#include "support/SpacedLeaderContents.h"

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

// ---- layout seeds ----

pdfbuild::TextRun at(double x, double y, const std::string& text, double size = 12) {
    return pdfbuild::textRun(x, y, text, size);
}

double widthOf(const std::string& text, double size = 12) {
    return pdfbuild::textWidth(at(0, 0, text, size));
}

// The painted characters of the page, as the layout fuzz target's input.
void writeLayoutSeed(const pdfbuild::PageSpec& page, const std::string& dir,
                     const std::string& name) {
    pdfbuild::DocumentSpec doc;
    doc.pages = {page};
    const std::string pdfPath = dir + "/" + name + ".pdf";
    pdfbuild::writePdf(doc, pdfPath);
    std::vector<uint8_t> bytes;
    {
        pdf::Document document(pdfPath);
        const pdf::PaintedText painted = pdf::readPaintedText(document.page(1));
        for (const pdf::PaintedChar& c : painted.chars) fuzzlayout::encode(c, bytes);
    }
    std::remove(pdfPath.c_str());
    std::ofstream out(dir + "/" + name + ".bin", std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + dir + "/" + name + ".bin");
}

pdfbuild::PageSpec priceTable() {
    pdfbuild::PageSpec page;
    page.texts = {at(72, 720, "Our prices for the coming season are these:", 10),
                  at(72, 696, "Article", 10),
                  at(130, 696, "Description", 10),
                  at(290, 696, "Unit", 10),
                  at(400 - widthOf("Price", 10), 696, "Price", 10),
                  at(72, 682, "A-100", 10),
                  at(130, 682, "Steel bolt, zinc plated", 10),
                  at(290, 682, "box", 10),
                  at(400 - widthOf("12.50", 10), 682, "12.50", 10),
                  at(72, 668, "A-200", 10),
                  at(130, 668, "Hex nut for bolts of", 10),
                  at(290, 668, "box", 10),
                  at(400 - widthOf("4.75", 10), 668, "4.75", 10),
                  at(130, 656, "size M6 and M8", 10),
                  at(72, 642, "A-300", 10),
                  at(130, 642, "Washer", 10),
                  at(290, 642, "bag", 10),
                  at(400 - widthOf("1.20", 10), 642, "1.20", 10),
                  at(72, 618, "Orders of more than ten boxes are sent free.", 10)};
    return page;
}

pdfbuild::PageSpec twoColumns() {
    const char* left[] = {"The first column of this article", "runs on in lines that go from",
                          "one to the next, and it ends", "here, at the foot of the infor-"};
    const char* right[] = {"mation that the second column", "begins at the top again and",
                           "goes on in the same way, down", "to its own end."};
    pdfbuild::PageSpec page;
    page.texts.push_back(at(72, 730, "A Heading Over Both Columns", 16));
    for (int i = 0; i < 4; ++i) {
        page.texts.push_back(at(72, 700 - 12 * i, left[i], 10));
        page.texts.push_back(at(320, 700 - 12 * i, right[i], 10));
    }
    return page;
}

pdfbuild::PageSpec turnedMarksHebrew() {
    pdfbuild::PageSpec page;
    pdfbuild::TextRun turned = at(500, 200, "Turned text 42", 10);
    turned.angle = 90;
    page.texts = {turned, at(72, 700, "caf\xc3\xa9 na\xc3\xafve r\xc3\xa9sum\xc3\xa9", 12),
                  pdfbuild::textRun(72, 680, "\xd7\xa9\xd7\x9c\xd7\x95\xd7\x9d 12%", 12, true)};
    return page;
}

void writeLayoutSeeds(const std::string& dir) {
    pdf::Library library;
    std::vector<std::string> contentsLines;
    writeLayoutSeed(testing_support::spacedLeaderContents(contentsLines), dir,
                    "contents-spaced-leaders");
    writeLayoutSeed(priceTable(), dir, "price-table");
    writeLayoutSeed(twoColumns(), dir, "two-columns");
    writeLayoutSeed(turnedMarksHebrew(), dir, "turned-marks-hebrew");
}

}  // namespace

int main(int argc, char** argv) {
    const bool layout = argc == 3 && std::string(argv[1]) == "--layout";
    if (argc != 2 && !layout) {
        std::fprintf(stderr, "usage: make_fuzz_seeds DIR | make_fuzz_seeds --layout DIR\n");
        return 2;
    }
    try {
        if (layout) {
            writeLayoutSeeds(argv[2]);
            return 0;
        }
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
