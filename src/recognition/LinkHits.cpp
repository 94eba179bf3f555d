// Links made from located hits.
#include "document/LinkRecords.h"
#include "document/PDFDocument.h"
#include "recognition/HitInfo.h"
#include "recognition/Recognition.h"
#include "recognition/StringFormatter.h"

void addLinksFromHits(PDFDocument& document, const std::vector<HitInfo>& hits) {
    const int count = document.pageRecordCount();
    for (const HitInfo& hit : hits) {
        if (hit.page < 1 || hit.page > count) continue;
        std::string url = hit.url;
        StringFormatter::replaceAll(url, "$regresult", hit.linkText);
        document.pageRecord(hit.page).addLink(
            LinkRecords::newLink(LinkRecords::formatLoc(hit.x, hit.y, hit.width, hit.height), url,
                                 hit.target, hit.linkType, hit.linkText));
    }
}
