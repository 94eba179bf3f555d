// The "createpageshtml" generator: one small HTML file per page holding the
// page's words line by line.
#include "document/HtmlPages.h"

#include <cstdio>
#include <string_view>

#include "document/DocumentError.h"
#include "document/OutputFile.h"
#include "document/Utility.h"
#include "pdf/text/TextPage.h"

namespace {

const char kHeader[] =
    "<html encoding='UTF-8'><head><link href=\"Styles/Page.css\" rel=\"stylesheet\" "
    "type=\"text/css\" /></head><body><div align=\"center\">";
const char kFooter[] = "</div></body></html>";
// Each paragraph is a division of its own: the style sheet can space them,
// and a browser shows the "<br />" that opens it as the blank line before it.
const char kParagraphOpen[] = "<div class=\"paragraph\">";
const char kParagraphClose[] = "</div>";

void appendEscaped(std::string& out, std::string_view text) {
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            default:
                out += c;
        }
    }
}

}  // namespace

bool writeHtmlPages(const pdf::Document& document, const std::string& dir) {
    const int count = document.pageCount();
    for (int n = 1; n <= count; ++n) {
        const pdf::Page page = document.page(n);
        const std::string html = pageHtml(pdf::TextPage(page));
        OutputFile out(dir + Utility::pageHtmlName(n));
        std::fwrite(html.data(), 1, html.size(), out.stream());
        out.commit();
    }
    return true;
}

std::string pageHtml(const pdf::TextPage& text) {
    std::string body = kHeader;
    int previousFlow = -1;
    int previousParagraph = -1;
    bool paragraphOpen = false;
    if (!text.allWords().empty()) {
        for (const pdf::TextLine& line : text.lines()) {
            if (line.flowId != previousFlow) {
                if (previousFlow != -1) previousParagraph = -1;
                previousFlow = line.flowId;
            }
            if (line.paragraphId != previousParagraph) {
                if (paragraphOpen) body += kParagraphClose;
                body += kParagraphOpen;
                paragraphOpen = true;
                previousParagraph = line.paragraphId;
            }
            body += "<br />";
            for (const pdf::TextWord& word : text.words(line)) {
                std::string_view utf8 = text.wordText(word);
                if (utf8.empty()) continue;
                appendEscaped(body, utf8);
                body += ' ';
            }
        }
    }
    if (paragraphOpen) body += kParagraphClose;
    body += kFooter;
    return body;
}
