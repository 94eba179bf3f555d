// PdfBuilder: writes small PDFs whose every text position, link, outline item and page label is
// known exactly, so tests (and the bundled sample document) can assert on what the converter
// extracts from them.
//
// Coordinates: everything is PDF user space of the page being described, in points, origin at
// the lower-left corner of the MediaBox [0 0 width height], y pointing up. /Rotate and /CropBox
// never change these coordinates; they only change how viewers present the page.
//
// Fonts: ASCII/WinAnsi runs use the non-embedded base-14 Helvetica (with explicit /Widths taken
// from MuPDF's metric-compatible Nimbus Sans, so every reader lays it out identically). Unicode
// runs use embedded Identity-H CID fonts with a ToUnicode map: MuPDF's built-in Noto Serif Hebrew
// for Hebrew letters and Nimbus Sans (Helvetica) for everything else.
//
// Ownership: writePdf() and textWidth() create and release their own MuPDF context and every
// object in it; nothing is kept between calls. The caller keeps ownership of the document
// description.
//
// Errors: every function throws std::runtime_error with a readable message for an invalid
// description (page index out of range, text that the chosen font cannot show, ...) or a MuPDF
// failure.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace pdfbuild {

// One line of text, written as a single BT..ET block with "a b c d x y Tm".
struct TextRun {
    double x = 72, y = 720;  // baseline origin
    std::string text;        // UTF-8, logical (reading) order
    double size = 12;        // font size in points
    // false: base-14 Helvetica; the text must be encodable in WinAnsi (ASCII plus Latin-1 and
    // the usual typographic quotes and dashes). One Tj.
    // true: embedded CID fonts able to show Hebrew and Latin. Text containing Hebrew is laid
    // out right to left with a simplified bidi pass (Latin words and numbers keep their
    // left-to-right order), so glyphs sit in the content stream in visual order, as most
    // producers write them. There is one Tf/Tj pair for each stretch that stays in one font.
    bool unicode = false;
    // Counter-clockwise rotation of the baseline in degrees. 0 writes "1 0 0 1 x y Tm"; 90 makes
    // the text run upwards, which reads upright on a page with /Rotate 90.
    double angle = 0;
};

// A run of text with its baseline origin at (x, y): base-14 Helvetica, or the embedded
// Unicode fonts when unicode is set.
inline TextRun textRun(double x, double y, const std::string& text, double size = 12,
                       bool unicode = false) {
    TextRun run;
    run.x = x;
    run.y = y;
    run.text = text;
    run.size = size;
    run.unicode = unicode;
    return run;
}

// A filled rectangle ("re f") in DeviceRGB, drawn beneath all text of the page.
struct FilledRect {
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    double r = 0, g = 0, b = 0;  // 0..1
};

// A /Link annotation with an invisible border (/Border [0 0 0]).
struct Link {
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;  // the annotation /Rect
    enum Kind {
        GoTo,           // /Dest [pageRef /Fit]
        GoToAction,     // /A << /S /GoTo /D [pageRef /Fit] >>
        Uri,            // /A << /S /URI /URI (uri) >>; mailto: addresses are written the same way
        Launch,         // /A << /S /Launch /F (file) >>
        NamedDestGoTo,  // /Dest (destName), resolved through the catalog /Names /Dests tree
        UndefinedNamedDest,  // /Dest (destName) naming no destination: a link that leads nowhere
    } kind = GoTo;
    int targetPage = 0;  // 0-based; GoTo, GoToAction and NamedDestGoTo
    std::string uri;
    std::string file;
    // Name for NamedDestGoTo. Empty gives "page.N" with N the 1-based target page. Links that
    // share a name must share the target page.
    std::string destName;
};

// A one-pixel DeviceRGB image XObject stretched over a rectangle ("cm" then "Do"), drawn after
// all text of the page and before rawContent, so that it covers what lies under it.
struct ImageRect {
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    double r = 1, g = 1, b = 1;  // 0..1
    // true: the image carries a soft mask (/SMask) of 50 % coverage, so what lies under it
    // still shows through.
    bool softMask = false;
};

// A form XObject in the page's /Resources /XObject under `name`, painted only
// where rawContent says so ("q /Name Do Q"). Its content may use /Helv.
struct FormXObject {
    std::string name;
    std::string content;
    std::array<double, 6> matrix{1, 0, 0, 1, 0, 0};  // /Matrix
};

// A resource entry written verbatim: /Resources /category /name value. The value is PDF
// syntax and may name raw objects as "@k" (see RawObject).
struct RawResource {
    std::string category;  // "Font", "XObject", "Properties", "ExtGState", ...
    std::string name;
    std::string value;
};

struct PageSpec {
    double width = 612, height = 792;              // MediaBox [0 0 width height]
    std::optional<std::array<double, 4>> cropBox;  // x0 y0 x1 y1
    int rotate = 0;                                // /Rotate: 0, 90, 180 or 270
    std::vector<TextRun> texts;
    std::vector<FilledRect> rects;
    std::vector<Link> links;
    std::vector<ImageRect> images;  // resources /Im0, /Im1, ... in this order
    // Appended verbatim to the content stream after rects, texts and images. It may use the font
    // resource /Helv (present on every page) and, on pages with unicode runs, /UniHe and /UniLa.
    std::string rawContent;
    std::vector<FormXObject> forms;
    // Adds a note annotation (/Subtype /Text, /Contents "Reviewer note") at
    // [width-60 height-60 width-40 height-40] after the links, so /Annots holds a non-link entry.
    bool addTextAnnotation = false;
    std::vector<RawResource> resources;
    // Annotation dictionaries in PDF syntax, appended to /Annots after all others; they may
    // name raw objects as "@k".
    std::vector<std::string> rawAnnotations;
};

// An object written verbatim, for what the other fields cannot say: Type 3 fonts, ToUnicode
// maps, optional content groups, appearance streams. Raw object k of the document is named
// "@k" (k from 0) in the PDF syntax of raw objects, raw resources, raw annotations and
// catalog entries; MuPDF parses the text, so it must be well-formed.
struct RawObject {
    std::string object;  // PDF syntax; the stream's dictionary when stream is set
    std::optional<std::string> stream;
};

struct OutlineItem {
    std::string title;  // UTF-8; written as UTF-16BE with BOM unless plain ASCII
    // 0-based go-to target. -1 with an empty uri gives an item with neither /Dest nor /A, i.e.
    // one whose destination page does not exist.
    int page = -1;
    std::string uri;         // non-empty: /A << /S /URI >> instead of a go-to
    bool useAction = false;  // go-to as /A << /S /GoTo /D [...] >> instead of /Dest [...]
    bool open = true;        // sign of /Count: children shown or hidden
    std::vector<OutlineItem> children;
};

// Starts a numbering range in the catalog /PageLabels number tree.
struct LabelRange {
    int firstPage = 0;   // 0-based
    char style = 'D';    // 'D' decimal, 'r'/'R' roman, 'a'/'A' letters, 0 for prefix only
    std::string prefix;  // /P, UTF-8
    int start = 1;       // /St
};

struct DocumentSpec {
    std::vector<PageSpec> pages;  // at least one
    std::vector<RawObject> objects;
    // Entries added to the catalog: key without the slash, value in PDF syntax.
    std::vector<std::pair<std::string, std::string>> catalog;
    std::vector<OutlineItem> outline;
    std::vector<LabelRange> labels;  // empty: no /PageLabels
    std::string title;               // /Info /Title; empty: no /Info
};

// Writes the document to path, replacing any existing file.
void writePdf(const DocumentSpec& document, const std::string& path);

// Advance width of the run in points, exactly as the written PDF lays it out (glyph widths are
// the rounded 1/1000 em values stored in the font dictionaries). Together with x and y this
// gives the run's extent: for angle 0 it spans x .. x + textWidth(run) along the baseline.
double textWidth(const TextRun& run);

}  // namespace pdfbuild
