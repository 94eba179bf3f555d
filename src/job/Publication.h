// The publication as one operation: every output of a web publication of one PDF, each page read
// once, built beside the served folder and put in place whole.
//
// What it writes is what the separate jobs write, byte for byte, run as scripts/publish.sh used
// to run them (docs/jobs.md, "createpublication"): document.xml; thumbN.jpg (150 pixels wide,
// quality 75), pageN.jpg (72 dpi, 80) and zoomN.jpg (144 dpi, 85); Page_N.xml with the PDF's own
// links, the links the expressions find and the products; DocumentIndex.xml; Page_N.html;
// Text_N.json; seo.xml; the search text (SearchText.h); publication.json (PublicationInfo.h);
// and, when asked for, the viewer's files and the PDF as document.pdf.
//
// Each page is interpreted twice, once drawn and once read: the drawing (a display list) is
// rendered at the three sizes by the workers, and the one reading feeds every text output, the
// recognition and the records. Pages spread over every usable core (imageWorkers()).
//
// The whole is built in a stage beside the served folder and swapped in (PublicationFolder.h):
// a reader sees the old publication or the new one, a failure leaves the old one, and nothing of
// an earlier publication survives. With a page range, the stage starts as the current
// publication and only those pages' images, records, HTML pages and text layers are written
// again, with the document-wide outputs (descriptor, index, search text, SEO text); the range is
// refused when the PDF's page count or page sizes differ from the publication's.
//
// Progress goes to standard error (Progress.h) unless quiet; standard output is not written.
// Throws DocumentError (PublishBusy when another publish of the folder runs), pdf::Error,
// EncodingError.
#pragma once

#include <climits>
#include <string>
#include <vector>

#include "recognition/Expressions.h"

class PDFDocument;

struct PublicationOptions {
    std::string outputDir;  // the served folder, with its trailing '/'
    std::string docId;      // empty: the PDF's file name less its extension
    std::string lang;       // empty: "en"
    std::string title;      // empty: the PDF's own title, else its file name less ".pdf"
    bool rightToLeft = false;
    std::vector<ImportLinksExpression> linkExpressions;
    std::vector<ProductExpression> productExpressions;
    std::string viewerDir;  // its files are copied in when not empty
    bool withPdf = false;
    bool noTiles = false;  // no sharp zoom levels (PageTiles.h)
    int useRange = 0;
    int fromPage = 1;
    int toPage = INT_MAX;
    int searchPartBytes = 131072;
    bool quiet = false;
};

// REQUIRES: document is open. Always true.
bool writePublication(PDFDocument& document, const PublicationOptions& options);
