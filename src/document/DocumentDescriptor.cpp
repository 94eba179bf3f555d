// The "createdocumentxml" generator: document.xml, the publication's
// descriptor.
#include <algorithm>
#include <cstdio>

#include "document/DocumentError.h"
#include "document/PDFDocument.h"
#include "document/Utility.h"
#include "document/XmlFile.h"
#include "pdf/Error.h"
#include "pdf/PageLabels.h"
#include "text/Ascii.h"

namespace {

// An image or record entry: <name file= [width= height=]/>.
void appendFile(TiXmlElement* page, const char* name, const std::string& file, int width = -1,
                int height = -1) {
    TiXmlElement* element = appendElement(page, name);
    element->SetAttribute("file", file);
    if (width >= 0) {
        element->SetAttribute("width", width);
        element->SetAttribute("height", height);
    }
}

// A size the descriptor records: truncated toward zero, but never 0 (the
// images of a sliver of a page are a pixel across). One beyond int cannot be
// written and fails the job.
int descriptorSize(int page, const char* what, double size) {
    if (!(size < 2147483648.0)) {
        char amount[64];
        std::snprintf(amount, sizeof amount, "%.0f", size);
        throw DocumentError("Cannot describe page " + std::to_string(page) + ": its " + what +
                            " would be " + amount + ", more than the descriptor can hold");
    }
    return std::max(1, static_cast<int>(size));
}

// The PDF's size, which the descriptor records as an int: a file of 2 GiB or
// more cannot be described.
int fileSize(const pdf::Document& document) {
    long long size = Utility::getFileSize(document.path());
    if (size > 2147483647LL) {
        throw DocumentError("Cannot describe " + document.describe() + ": its size of " +
                            std::to_string(size) + " bytes is more than the descriptor can hold");
    }
    return static_cast<int>(size);
}

std::string numbered(const std::string& prefix, int number, const std::string& extension) {
    return prefix + std::to_string(number) + "." + extension;
}

}  // namespace

bool PDFDocument::writeDescriptor(const DescriptorOptions& options) {
    const pdf::Document& document = pdf();
    const std::string today = Utility::getTime();
    const std::string path = document.path();

    TiXmlDocument xml;
    xml.LinkEndChild(new TiXmlDeclaration("1.0", "", ""));
    TiXmlElement* doc = appendElement(&xml, "doc");
    doc->SetAttribute("id", options.docId);
    doc->SetAttribute("version", options.version);
    doc->SetAttribute("uploaddate", today);
    doc->SetAttribute("publishdate", today);
    doc->SetAttribute("filename", Utility::getFileName(path));
    doc->SetAttribute("filesize", fileSize(document));
    doc->SetAttribute("title", utf8ToAscii(document.title()));

    TiXmlElement* pagesElement = appendElement(doc, "pages");
    appendElement(doc, "docmetadata");

    std::optional<pdf::PageLabels> labels;
    if (options.importPageLabels) labels.emplace(document);
    const int thumbWidth = options.thumbWidth;
    const int count = document.pageCount();
    for (int n = 1; n <= count; ++n) {
        pdf::Page page = document.page(n);
        const double pw = page.width();
        const double ph = page.height();
        const int w = descriptorSize(n, "width", pw);
        const int h = descriptorSize(n, "height", ph);
        int thumbW, thumbH;
        if (thumbWidth > 0) {
            thumbW = thumbWidth;
            thumbH = descriptorSize(n, "thumbnail height", ph / pw * thumbWidth);
        } else {
            thumbW = descriptorSize(n, "thumbnail width", pw * 20 / 72);
            thumbH = descriptorSize(n, "thumbnail height", ph * 20 / 72);
        }
        const int hiW = descriptorSize(n, "zoom image width", 2.0 * w);
        const int hiH = descriptorSize(n, "zoom image height", 2.0 * h);
        std::string label;
        if (labels) label = labels->label(n).value_or(std::string());

        TiXmlElement* entry = appendElement(pagesElement, "page");
        entry->SetAttribute("num", n);
        entry->SetAttribute("label", label);
        char id[39] = {0};
        getGuid(id);
        entry->SetAttribute("id", id);
        appendFile(entry, "thumbnail", numbered(options.thumbPrefix, n, "jpg"), thumbW, thumbH);
        appendFile(entry, "normal", numbered(options.pagesPrefix, n, "jpg"), w, h);
        appendFile(entry, "hi", numbered(options.zoomPrefix, n, options.zoomPostfix), w, h);
        appendFile(entry, "hiimage", numbered(options.zoomPrefix, n, "jpg"), hiW, hiH);
        appendFile(entry, "data", Utility::pageRecordName(n));
        appendFile(entry, "htmlview", Utility::pageHtmlName(n));
    }

    appendElement(doc, "bookmarks");
    TiXmlElement* toc;
    if (options.importBookmarks) {
        toc = getBookMarks();
        toc->SetAttribute("type", "2");
    } else {
        toc = new TiXmlElement("toc");
        toc->SetAttribute("type", "0");
    }
    toc->SetAttribute("targetpage", "1");
    doc->LinkEndChild(toc);
    appendElement(doc, "links");

    writeXmlFile(xml, options.outputDir + "document.xml");
    return true;
}

TiXmlElement* PDFDocument::getBookMarks() {
    auto toc = std::make_unique<TiXmlElement>("toc");
    try {
        bool deeperLeftOut = false;
        PrintOutlineTree(pdf::readOutline(pdf(), &deeperLeftOut), toc.get());
        if (deeperLeftOut) {
            std::fprintf(stderr,
                         "warning: %s: bookmarks more than %d levels deep are left out of the "
                         "table of contents\n",
                         pdf().place().file.c_str(), pdf::kMaxOutlineDepth);
        }
    } catch (const pdf::Error& e) {
        // A broken outline costs the table of contents, not the descriptor.
        std::fprintf(stderr, "warning: %s; the table of contents is left empty\n", e.what());
        toc = std::make_unique<TiXmlElement>("toc");
    }
    return toc.release();
}

void PDFDocument::PrintOutlineTree(const std::vector<pdf::OutlineItem>& items,
                                   TiXmlElement* parent) {
    for (const pdf::OutlineItem& item : items) {
        const pdf::Action& action = item.action;
        if (action.kind != pdf::Action::Kind::GoTo || !action.destinationValid ||
            item.title.empty()) {
            continue;
        }
        TiXmlElement* entry = appendElement(parent, "tocitem");
        entry->SetAttribute("label", item.title);
        entry->SetAttribute("gotopage", action.page);
        PrintOutlineTree(item.children, entry);
    }
}
