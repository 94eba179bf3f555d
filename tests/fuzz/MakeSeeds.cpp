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

// As in TableTextTest.cpp: each leader dot a glyph of its own, dots right to left, then the
// page number, then the title.
pdfbuild::PageSpec spacedLeaderContents() {
    static const std::pair<int, const char*> kEntries[] = {
        {1, "13.3 Moving Stored Data"},
        {1, "13.3.1 Moving It All at Once"},
        {1, "13.3.2 Moving It Step by Step"},
        {1, "13.4 Changes to the Class Model"},
        {1, "13.4.1 Changes to Base Classes"},
        {1, "13.4.2 Changes to Virtual Base Classes"},
        {0, "14 Annotation Language"},
        {1, "14.1 Annotations of Classes"},
        {2, "14.1.1 table"},
        {2, "14.1.2 key"},
        {2, "14.1.3 abstract"},
        {2, "14.1.4 const"},
        {2, "14.1.5 versioned"},
        {2, "14.1.6 no_key"},
        {2, "14.1.7 hooks"},
        {2, "14.1.8 namespace"},
        {2, "14.1.9 derived"},
        {2, "14.1.10 cached"},
        {2, "14.1.11 defined"},
        {2, "14.1.12 volatile"},
        {2, "14.1.13 grouped"},
        {2, "14.1.14 removed"},
        {2, "14.1.15 batch"},
        {1, "14.2 Annotations of Views"},
        {2, "14.2.1 class"},
        {2, "14.2.2 table"},
        {2, "14.2.3 select"},
        {2, "14.2.4 key"},
        {2, "14.2.5 hooks"},
        {2, "14.2.6 defined"},
        {2, "14.2.7 volatile"},
        {1, "14.3 Annotations of Values"},
        {2, "14.3.1 kind"},
        {2, "14.3.2 key_kind"},
        {2, "14.3.3 empty/not_empty"},
        {2, "14.3.4 initial"},
        {2, "14.3.5 flags"},
        {2, "14.3.6 const"},
        {2, "14.3.7 defined"},
        {2, "14.3.8 volatile"},
        {2, "14.3.9 unsorted"},
        {2, "14.3.10 index_kind"},
        {2, "14.3.11 key_kind"},
        {2, "14.3.12 value_kind"},
        {2, "14.3.13 value_empty/value_not_empty"},
        {2, "14.3.14 key_flags"}};
    pdfbuild::PageSpec page;
    page.width = 595, page.height = 842;
    page.texts.push_back(at(462, 797, "Table of Contents"));
    double y = 742.6;
    int number = 198;
    for (const auto& [level, title] : kEntries) {
        const double x = 71 + 24 * level;
        for (double dot = 515; dot >= x + widthOf(title) + 6; dot -= 21.6)
            page.texts.push_back(at(dot, y, "."));
        const std::string digits = std::to_string(number);
        page.texts.push_back(at(525 - widthOf(digits), y, digits));
        page.texts.push_back(at(x, y, title));
        number += 1 + number % 3;
        y -= 14.4;
    }
    return page;
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
    writeLayoutSeed(spacedLeaderContents(), dir, "contents-spaced-leaders");
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
