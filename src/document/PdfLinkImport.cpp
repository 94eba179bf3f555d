// Import of a page's own link annotations as <link> elements.
#include <algorithm>
#include <cctype>
#include <cstdio>

#include "document/LinkRecords.h"
#include "document/PDFDocument.h"
#include "pdf/Links.h"
#include "text/Ascii.h"

namespace {

std::string lowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

}  // namespace

std::vector<std::unique_ptr<TiXmlElement>> PDFDocument::importLinksFromPDF(const pdf::Page& page,
                                                                           bool pageLinks,
                                                                           bool mailLinks,
                                                                           bool webLinks) {
    std::vector<std::unique_ptr<TiXmlElement>> result;
    for (const pdf::LinkAnnotation& annotation : pdf::readLinks(pdf(), page)) {
        // The rectangle as the page shows it; on a turned page its corners
        // trade places, so the box is taken from all four.
        pdf::Rect shown = page.userToPage().apply(annotation.rect);
        auto link = std::make_unique<TiXmlElement>("link");
        link->SetAttribute(
            "loc", LinkRecords::formatLoc(shown.x0, shown.y0, shown.width(), shown.height()));
        link->SetAttribute("target", "");
        const pdf::Action& action = annotation.action;
        if (action.kind == pdf::Action::Kind::GoTo) {
            if (!action.destinationValid) {
                std::printf("  Destination is not valid\n");
                continue;
            }
            link->SetAttribute("linktype", "2");
            link->SetAttribute("url", action.page);
            link->SetAttribute("text", action.page);
            if (pageLinks) result.push_back(std::move(link));
        } else if (action.kind == pdf::Action::Kind::Uri && action.uriReadable) {
            link->SetAttribute("text", utf8ToAscii(action.uri));
            bool mail = lowerCase(action.uri).find("mailto") != std::string::npos;
            link->SetAttribute("linktype", mail ? "1" : "0");
            link->SetAttribute("url", action.uri);
            if (mail ? mailLinks : webLinks) result.push_back(std::move(link));
        }
    }
    return result;
}
