// Links made from located hits.
#include "document/PDFDocument.h"
#include "recognition/LinkRecords.h"
#include "recognition/StringFormatter.h"

void PDFDocument::addLinksFromHits(std::vector<HitInfo>& hits) {
    for (const HitInfo& hit : hits) {
        if (hit.page < 1 || hit.page > static_cast<int>(pages.size())) continue;
        std::string url = hit.url;
        StringFormatter::replaceAll(url, "$regresult", hit.linkText);
        auto* link = new TiXmlElement("link");
        link->SetAttribute("loc", LinkRecords::formatLoc(hit.x, hit.y, hit.width, hit.height));
        link->SetAttribute("url", url);
        link->SetAttribute("target", hit.target);
        link->SetAttribute("linktype", hit.linkType);
        link->SetAttribute("text", hit.linkText);
        pages[hit.page - 1]->addLink(link);
    }
}
