#include "support/SpacedLeaderContents.h"

#include <utility>

namespace testing_support {

pdfbuild::PageSpec spacedLeaderContents(std::vector<std::string>& expected) {
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
    auto run = [](double x, double y, const std::string& text) {
        return pdfbuild::textRun(x, y, text, 12);
    };
    pdfbuild::PageSpec page;
    page.width = 595, page.height = 842;
    page.texts.push_back(run(462, 797, "Table of Contents"));
    expected.push_back("Table of Contents");
    const double numberEnd = 525, lastDot = 515, pitch = 21.6;
    double y = 742.6;
    int number = 198;
    for (const auto& [level, title] : kEntries) {
        const double x = 71 + 24 * level;
        const double titleEnd = x + pdfbuild::textWidth(run(0, 0, title));
        std::string line = title;
        for (double dot = lastDot; dot >= titleEnd + 6; dot -= pitch) {
            page.texts.push_back(run(dot, y, "."));
            if (dot < lastDot) line += " .";
        }
        const std::string digits = std::to_string(number);
        page.texts.push_back(run(numberEnd - pdfbuild::textWidth(run(0, 0, digits)), y, digits));
        page.texts.push_back(run(x, y, title));
        expected.push_back(line + " " + digits);
        number += 1 + number % 3;
        y -= 14.4;
    }
    return page;
}

}  // namespace testing_support
