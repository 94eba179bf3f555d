// make_sample OUTPUT.pdf -- writes the bundled sample publication "Quillon Field Guide".
//
// What is special about it: 8 pages labelled i, ii, 1-6 (roman, then arabic from 1); a
// three-level outline of go-to bookmarks plus one web bookmark; two-column body text with
// hyphenated line ends ("publi-" / "cation"); a landscape page (MediaBox 792 x 612) and a
// portrait page shown landscape through /Rotate 90 with its text drawn to read upright; Hebrew
// mixed with Latin words and numbers in an embedded CID font; link annotations of every common
// kind (go-to, go-to action, named destination, web, mailto) next to unlinked web addresses,
// e-mail addresses, page references ("see page 3") and product codes ("QX-1042") for link
// recognition to find.
//
// Page references in the text use the printed labels: "see page 3" means label 3, which is
// page index 4. All coordinates are PDF user space (points, y up).

#include <cmath>
#include <cstdio>
#include <exception>
#include <stdexcept>
#include <string>
#include <vector>

#include "pdf/builder/PdfBuilder.h"

using pdfbuild::DocumentSpec;
using pdfbuild::FilledRect;
using pdfbuild::LabelRange;
using pdfbuild::Link;
using pdfbuild::OutlineItem;
using pdfbuild::PageSpec;
using pdfbuild::TextRun;

namespace {

constexpr double kBodySize = 10;
constexpr double kLeading = 13;
constexpr double kColumnWidth = 222;
constexpr double kLeftColumn = 72;
constexpr double kRightColumn = 318;

TextRun text(double x, double y, const std::string& s, double size = kBodySize) {
    TextRun run;
    run.x = x;
    run.y = y;
    run.text = s;
    run.size = size;
    return run;
}

// Hebrew runs are aligned on their right edge, as a right-to-left reader expects.
TextRun hebrewRightAligned(double right, double y, const std::string& s, double size) {
    TextRun run = text(0, y, s, size);
    run.unicode = true;
    run.x = right - pdfbuild::textWidth(run);
    return run;
}

// On the /Rotate 90 page the viewer's top-left corner is user space (0, 0), its x axis runs
// along user y and its y axis along user x; text drawn at 90 degrees then reads upright.
TextRun upright(double viewX, double viewBaseline, const std::string& s, double size) {
    TextRun run = text(viewBaseline, viewX, s, size);
    run.angle = 90;
    return run;
}

FilledRect rect(double x0, double y0, double x1, double y1, double r, double g, double b) {
    FilledRect f;
    f.x0 = x0;
    f.y0 = y0;
    f.x1 = x1;
    f.y1 = y1;
    f.r = r;
    f.g = g;
    f.b = b;
    return f;
}

const TextRun& findRun(const PageSpec& page, const std::string& fragment) {
    for (const TextRun& run : page.texts) {
        if (run.text.find(fragment) != std::string::npos) return run;
    }
    throw std::runtime_error("no text containing \"" + fragment + "\"");
}

// A link whose rectangle covers `fragment` of the line that contains it, from a quarter of the font
// size below the baseline to 0.95 of it above, widened to whole points.
Link linkOver(const PageSpec& page, const std::string& fragment, Link::Kind kind) {
    const TextRun& run = findRun(page, fragment);
    TextRun prefix = run;
    prefix.text = run.text.substr(0, run.text.find(fragment));
    TextRun word = run;
    word.text = fragment;
    const double start = pdfbuild::textWidth(prefix);
    const double end = start + pdfbuild::textWidth(word);
    Link link;
    link.kind = kind;
    if (run.angle == 0) {
        link.x0 = std::floor(run.x + start);
        link.x1 = std::ceil(run.x + end);
        link.y0 = std::floor(run.y - 0.25 * run.size);
        link.y1 = std::ceil(run.y + 0.95 * run.size);
    } else {
        link.x0 = std::floor(run.x - 0.95 * run.size);
        link.x1 = std::ceil(run.x + 0.25 * run.size);
        link.y0 = std::floor(run.y + start);
        link.y1 = std::ceil(run.y + end);
    }
    return link;
}

Link goTo(const PageSpec& page, const std::string& fragment, int target,
          Link::Kind kind = Link::GoTo) {
    Link link = linkOver(page, fragment, kind);
    link.targetPage = target;
    return link;
}

Link web(const PageSpec& page, const std::string& fragment, const std::string& uri) {
    Link link = linkOver(page, fragment, Link::Uri);
    link.uri = uri;
    return link;
}

// Lays out pre-broken lines from `top` down; "" leaves a blank line, a leading '@' marks a
// 12-point heading. Lines are set by hand so that the hyphenation is known; one that would not
// fit the column is a mistake in this file.
void column(PageSpec& page, double x, double top, const std::vector<std::string>& lines,
            double width = kColumnWidth) {
    double y = top;
    for (const std::string& line : lines) {
        if (line.empty()) {
            y -= kLeading;
            continue;
        }
        const bool heading = line[0] == '@';
        TextRun run = text(x, y, heading ? line.substr(1) : line, heading ? 12 : kBodySize);
        if (pdfbuild::textWidth(run) > width) {
            throw std::runtime_error("line too wide for its column: " + run.text);
        }
        page.texts.push_back(run);
        y -= heading ? 18 : kLeading;
    }
}

// The printed page number, centred at the foot of the page; it always equals the page label.
TextRun pageNumber(double pageWidth, const std::string& label) {
    TextRun number = text(0, 40, label, 9);
    number.x = (pageWidth - pdfbuild::textWidth(number)) / 2;
    return number;
}

// Running header; it comes first in the content stream, the page number last, as most
// producers write them.
void runningHeader(PageSpec& page, const std::string& chapter) {
    const double top = page.height - 42;
    page.texts.push_back(text(72, top, "Quillon Field Guide", 9));
    TextRun right = text(0, top, chapter, 9);
    right.x = page.width - 72 - pdfbuild::textWidth(right);
    page.texts.push_back(right);
    page.rects.push_back(rect(72, top - 6, page.width - 72, top - 5.5, 0.6, 0.6, 0.6));
}

PageSpec titlePage() {
    PageSpec page;
    page.rects.push_back(rect(72, 668, 540, 674, 0.12, 0.23, 0.45));
    page.texts.push_back(text(72, 630, "Quillon Field Guide", 28));
    page.texts.push_back(text(72, 600, "A sample publication for web conversion", 14));
    page.texts.push_back(text(72, 578, "Edited by the Quillon documentation team", 11));
    page.texts.push_back(text(72, 300, "Start reading: Contents", 12));
    page.texts.push_back(text(72, 280, "Updates: www.example.com", 12));
    page.texts.push_back(text(72, 260, "Questions: editor@example.com", 12));
    page.links.push_back(goTo(page, "Contents", 1));
    page.links.push_back(web(page, "www.example.com", "http://www.example.com/"));
    page.links.push_back(web(page, "editor@example.com", "mailto:editor@example.com"));
    page.texts.push_back(pageNumber(page.width, "i"));
    return page;
}

PageSpec contentsPage() {
    PageSpec page;
    runningHeader(page, "Contents");
    page.texts.push_back(text(72, 690, "Contents", 20));
    struct Entry {
        double indent;
        std::string title;
        std::string label;
        int target;
        Link::Kind kind;
    };
    const std::vector<Entry> entries = {
        {0, "1 Getting Started", "1", 2, Link::GoTo},
        {18, "1.1 Installing", "1", 2, Link::GoTo},
        {18, "1.2 Publishing Workflow", "2", 3, Link::GoToAction},
        {0, "2 Reference Tables", "3", 4, Link::GoTo},
        {0, "3 Wide Diagrams", "4", 5, Link::GoTo},
        {0, "4 Languages", "5", 6, Link::GoTo},
        {0, "Appendix: Contacts", "6", 7, Link::NamedDestGoTo},
    };
    double y = 650;
    for (const Entry& e : entries) {
        page.texts.push_back(text(72 + e.indent, y, e.title, 12));
        TextRun number = text(0, y, e.label, 12);
        number.x = 540 - pdfbuild::textWidth(number);
        page.texts.push_back(number);
        // The whole line is clickable, as in most generated tables of contents.
        Link link;
        link.x0 = 72 + e.indent;
        link.y0 = y - 3;
        link.x1 = 540;
        link.y1 = y + 12;
        link.kind = e.kind;
        link.targetPage = e.target;
        if (e.kind == Link::NamedDestGoTo) link.destName = "appendix.contacts";
        page.links.push_back(link);
        y -= 24;
    }
    page.texts.push_back(pageNumber(page.width, "ii"));
    return page;
}

PageSpec gettingStartedPage() {
    PageSpec page;
    runningHeader(page, "1 Getting Started");
    page.texts.push_back(text(72, 700, "1 Getting Started", 18));
    column(page, kLeftColumn, 668,
           {
               "@1.1 Installing",
               "Quillon turns a printed document into a",
               "set of web pages. Each page of the PDF",
               "becomes an image, a text layer and a",
               "small record of its links, so that readers",
               "can browse the publication online just",
               "as it was printed.",
               "",
               "Before you begin, make sure that the",
               "source file opens in an ordinary viewer",
               "and that its fonts are embedded. The",
               "converter reads page labels, the outline",
               "and every link annotation from the file,",
               "so a well-prepared PDF gives the best",
               "results with the least manual work.",
               "",
               "@1.1.1 Requirements",
               "You need a recent Linux system, about",
               "200 MB of free disk space for every",
               "thousand pages, and the Quillon starter",
               "kit QX-1042, which contains the sample",
               "files used throughout this guide. The kit",
               "can be downloaded from www.example.com",
               "together with the release notes.",
           });
    column(page, kRightColumn, 668,
           {
               "The product tables (see page 3) list the",
               "codes of every accessory. When a table",
               "mentions a code such as QX-2210, the",
               "converter can turn it into a link to the",
               "matching entry in the online catalog.",
               "",
               "Large documents are processed page by",
               "page, and converting a typical publi-",
               "cation of three hundred pages takes a",
               "few minutes on a desktop computer, and",
               "the result can be copied to any web",
               "server without further changes.",
               "",
               "If the conversion stops with an error,",
               "check the log file first. Most problems",
               "are caused by damaged files or by fonts",
               "that are missing from the document. Write",
               "to support@example.com with the log",
               "attached and we will be glad to help.",
           });
    page.texts.push_back(pageNumber(page.width, "1"));
    return page;
}

PageSpec firstRunPage() {
    PageSpec page;
    runningHeader(page, "1 Getting Started");
    column(page, kLeftColumn, 700,
           {
               "@1.1.2 First Run",
               "Start the converter with the name of the",
               "PDF file and an output folder. Quillon",
               "creates one folder per publication and",
               "writes the page images, the text index",
               "and the descriptor file into it. Open the",
               "descriptor in a browser to check that the",
               "page numbers match the printed ones.",
               "",
               "The first run also creates a default con-",
               "figuration file. Adjust the image quality",
               "and the page size there before you con-",
               "vert a large batch of documents; the",
               "wide diagrams in chapter 3 (see page 4)",
               "show how these settings affect the",
               "result.",
           });
    page.texts.push_back(text(kRightColumn, 700, "1.2 Publishing Workflow", 12));
    page.rects.push_back(rect(kRightColumn, 590, 540, 680, 0.85, 0.88, 0.92));
    page.rects.push_back(rect(kRightColumn + 20, 620, kRightColumn + 70, 650, 0.12, 0.23, 0.45));
    page.rects.push_back(rect(kRightColumn + 86, 620, kRightColumn + 136, 650, 0.12, 0.23, 0.45));
    page.rects.push_back(rect(kRightColumn + 152, 620, kRightColumn + 202, 650, 0.12, 0.23, 0.45));
    page.texts.push_back(text(kRightColumn, 576, "Figure 1. The publication pipeline.", 9));
    column(page, kRightColumn, 554,
           {
               "Every publication passes through three",
               "stages: preparation, conversion and re-",
               "view. The review stage compares the web",
               "version with the printed book, page by",
               "page, before the publication goes live.",
               "",
               "Download the review checklist from",
               "www.example.com/downloads and keep",
               "it next to the printed proof. Report",
               "errors in the product data, for example a",
               "wrong price for QX-3307, to the catalog",
               "team at catalog@example.com.",
           });
    page.links.push_back(goTo(page, "see page 4", 5));
    page.links.push_back(
        web(page, "www.example.com/downloads", "http://www.example.com/downloads"));
    page.texts.push_back(pageNumber(page.width, "2"));
    return page;
}

PageSpec tablesPage() {
    PageSpec page;
    page.width = 792;
    page.height = 612;
    runningHeader(page, "2 Reference Tables");
    page.texts.push_back(text(72, 520, "2 Reference Tables", 18));
    page.texts.push_back(text(72, 490, "2.1 Product Codes", 12));
    const double columns[4] = {72, 160, 300, 660};
    const std::vector<std::vector<std::string>> rows = {
        {"Code", "Name", "Description", "Page"},
        {"QX-1042", "Starter Kit", "Sample files and a printed quick guide", "1"},
        {"QX-2210", "Field Lens", "Magnifier for reading fine print on proofs", "2"},
        {"QX-3307", "Proof Stand", "Holds a printed page next to the screen", "2"},
        {"QX-4480", "Color Card", "Reference colors for checking page images", "4"},
        {"QX-5125", "Archive Box", "Stores finished proofs and checklists", "6"},
    };
    double y = 460;
    page.rects.push_back(rect(72, y + 14, 720, y + 15, 0, 0, 0));
    for (size_t r = 0; r < rows.size(); ++r) {
        for (int c = 0; c < 4; ++c) page.texts.push_back(text(columns[c], y, rows[r][c], 11));
        const double rule = r == 0 ? 1 : 0.5;
        page.rects.push_back(rect(72, y - 7, 720, y - 7 + rule, 0, 0, 0));
        y -= 24;
    }
    page.texts.push_back(
        text(72, 290, "Prices and availability: www.example.com/catalog (updated weekly).", 11));
    page.texts.push_back(text(
        72, 272,
        "Discontinued items such as QZ-0915 are listed on request; see page 6 for contacts.", 11));
    page.links.push_back(web(page, "www.example.com/catalog", "http://www.example.com/catalog"));
    page.texts.push_back(pageNumber(page.width, "3"));
    return page;
}

PageSpec diagramsPage() {
    PageSpec page;
    page.rotate = 90;
    // Seen by the reader: 792 wide, 612 high; view (X, Y) from the top-left is user (Y, X).
    page.texts.push_back(upright(72, 42, "Quillon Field Guide", 9));
    TextRun chapter = text(0, 0, "3 Wide Diagrams", 9);
    page.texts.push_back(upright(792 - 72 - pdfbuild::textWidth(chapter), 42, chapter.text, 9));
    page.rects.push_back(rect(47.5, 72, 48, 720, 0.6, 0.6, 0.6));
    page.texts.push_back(upright(72, 90, "3 Wide Diagrams", 18));
    const std::vector<std::string> body = {
        "This page is stored in portrait format and turned by ninety degrees when it is",
        "displayed, a common way of placing wide diagrams in a printed book. The converter",
        "must show it in landscape orientation, with the text reading from left to right.",
    };
    for (size_t i = 0; i < body.size(); ++i) {
        page.texts.push_back(upright(72, 120 + kLeading * i, body[i], kBodySize));
    }
    const char* const stages[3] = {"Prepare", "Convert", "Review"};
    for (int i = 0; i < 3; ++i) {
        const double left = 120 + 200 * i;  // view X of the box
        page.rects.push_back(rect(220, left, 300, left + 150, 0.85, 0.88, 0.92));
        if (i < 2) page.rects.push_back(rect(255, left + 160, 265, left + 190, 0.6, 0.6, 0.6));
        page.texts.push_back(upright(left + 10, 265, stages[i], 14));
    }
    page.texts.push_back(upright(72, 340, "Figure 2. From source file to web publication.", 9));
    page.texts.push_back(upright(72, 380, "Back to contents", kBodySize));
    const TextRun footer = pageNumber(792, "4");
    page.texts.push_back(upright(footer.x, 612 - footer.y, footer.text, footer.size));
    page.links.push_back(goTo(page, "Back to contents", 1));
    return page;
}

PageSpec languagesPage() {
    PageSpec page;
    runningHeader(page, "4 Languages");
    page.texts.push_back(text(72, 700, "4 Languages", 18));
    column(page, 72, 672,
           {
               "Quillon keeps the text of every page searchable, including scripts that are",
               "written from right to left. The lines below are set in Hebrew; the first one",
               "means \"hello world\", the second welcomes the reader to the Quillon guide.",
           },
           468);
    page.texts.push_back(text(72, 620, "4.1 Hebrew", 12));
    page.texts.push_back(hebrewRightAligned(540, 590, "שלום עולם", 16));
    page.texts.push_back(hebrewRightAligned(540, 566, "ברוכים הבאים למדריך Quillon גרסה 2", 12));
    page.texts.push_back(hebrewRightAligned(540, 546, "המוצר QX-1042 מתואר בעמוד 3", 12));
    page.texts.push_back(
        text(72, 516, "Mixed lines keep Latin words and numbers in their usual order."));
    page.texts.push_back(text(72, 503, "Questions about translations: translate@example.com"));
    page.links.push_back(web(page, "translate@example.com", "mailto:translate@example.com"));
    page.texts.push_back(pageNumber(page.width, "5"));
    return page;
}

PageSpec contactsPage() {
    PageSpec page;
    runningHeader(page, "Appendix");
    page.texts.push_back(text(72, 700, "Appendix: Contacts", 18));
    const std::vector<std::string> lines = {
        "Web site: www.example.com",
        "General questions: info@example.com",
        "Orders: orders@example.com",
        "Online catalog: http://www.example.com/catalog",
        "Technical support for QX-1042 and QX-2210: see page 3.",
        "Return to the contents (page ii).",
    };
    for (size_t i = 0; i < lines.size(); ++i) {
        page.texts.push_back(text(72, 668 - 20.0 * i, lines[i], 11));
    }
    page.links.push_back(web(page, "www.example.com", "http://www.example.com/"));
    page.links.push_back(web(page, "info@example.com", "mailto:info@example.com"));
    page.links.push_back(
        web(page, "http://www.example.com/catalog", "http://www.example.com/catalog"));
    page.links.push_back(goTo(page, "Return to the contents", 1, Link::GoToAction));
    page.addTextAnnotation = true;
    page.texts.push_back(pageNumber(page.width, "6"));
    return page;
}

OutlineItem bookmark(const std::string& title, int page, bool useAction,
                     std::vector<OutlineItem> children = {}) {
    OutlineItem item;
    item.title = title;
    item.page = page;
    item.useAction = useAction;
    item.children = std::move(children);
    return item;
}

DocumentSpec sample() {
    DocumentSpec doc;
    doc.title = "Quillon Field Guide";
    doc.pages = {titlePage(),  contentsPage(), gettingStartedPage(), firstRunPage(),
                 tablesPage(), diagramsPage(), languagesPage(),      contactsPage()};
    // Go-to bookmarks alternate between /Dest and a /GoTo action; readers must accept both.
    doc.outline = {
        bookmark("Contents", 1, false),
        bookmark("1 Getting Started", 2, true,
                 {bookmark("1.1 Installing", 2, false,
                           {bookmark("1.1.1 Requirements", 2, true),
                            bookmark("1.1.2 First Run", 3, false)}),
                  bookmark("1.2 Publishing Workflow", 3, true)}),
        bookmark("2 Reference Tables", 4, false, {bookmark("2.1 Product Codes", 4, true)}),
        bookmark("3 Wide Diagrams", 5, false),
        bookmark("4 Languages", 6, true, {bookmark("4.1 עברית – Hebrew", 6, false)}),
        bookmark("Appendix: Contacts", 7, true),
    };
    OutlineItem webBookmark;
    webBookmark.title = "Quillon on the Web";
    webBookmark.uri = "http://www.example.com/quillon";
    doc.outline.push_back(webBookmark);

    LabelRange front;
    front.firstPage = 0;
    front.style = 'r';
    LabelRange body;
    body.firstPage = 2;
    body.style = 'D';
    doc.labels = {front, body};
    return doc;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.pdf\n", argv[0]);
        return 2;
    }
    try {
        pdfbuild::writePdf(sample(), argv[1]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_sample: %s\n", e.what());
        return 1;
    }
    return 0;
}
