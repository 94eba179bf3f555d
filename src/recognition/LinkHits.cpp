// Links made from located hits.
#include "document/LinkRecords.h"
#include "document/PDFDocument.h"
#include "recognition/HitInfo.h"
#include "recognition/StringFormatter.h"

void PDFDocument::addLinksFromHits(std::vector<HitInfo>& hits) {
    for (const HitInfo& hit : hits) {
        if (hit.page < 1 || hit.page > static_cast<int>(pages.size())) continue;
        std::string url = hit.url;
        StringFormatter::replaceAll(url, "$regresult", hit.linkText);
        pages[hit.page - 1]->addLink(
            LinkRecords::newLink(LinkRecords::formatLoc(hit.x, hit.y, hit.width, hit.height), url,
                                 hit.target, hit.linkType, hit.linkText));
    }
}
