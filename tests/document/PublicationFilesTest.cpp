// What a publication says of itself and its search text, checked against jq (the tool the
// publisher used to write them, whose escaping readers already met), and the served folder a
// publication is swapped into.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "document/PublicationFolder.h"
#include "document/PublicationInfo.h"
#include "document/SearchText.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

std::string quoted(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

TEST(PublicationInfo, TitlesAsTheViewerAndSeoTextGiveThem) {
    struct Case {
        const char* pdfTitle;
        const char* fileName;
        const char* title;
    } cases[] = {
        {"  Caf\u00e9 \u2013 \u00dcbersicht\n", "x.pdf", "Caf\u00e9 \u2013 \u00dcbersicht"},
        {"\u3000\u00a0Tokyo \u6771\u4eac\u2028", "x.pdf", "Tokyo \u6771\u4eac"},
        {"", "Preisliste 2024.PDF", "Preisliste 2024"},
        {" \t\u2003 ", "notes.pdf.txt", "notes.pdf.txt"},
        {"", ".pdf", ".pdf"},
        {"a\u0085", "x.pdf", "a"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pdfTitle);
        EXPECT_EQ(c.title, publicationTitle(c.pdfTitle, c.fileName));
    }
    EXPECT_EQ("spring", seoTitle("\x01\x7f \t", "spring"));
    EXPECT_EQ("a\tb\nc", seoTitle("a\x02\tb\nc\x1b", "spring"));
    EXPECT_EQ("a.b", publicationDocId("a.b.pdf"));
    EXPECT_EQ("README", publicationDocId("README"));
}

// publication.json and the search parts escape as jq -c does (its output for the same strings
// is the truth), U+0080..U+009F escaped in publication.json too.
TEST(PublicationInfo, JsonIsEscapedAsJqEscapesIt) {
    TempDir dir;
    const std::string title = "q\"b\\s\x01\b\t\n\f\r\x1f\x7f \u00e9\u2028/\u4e66";
    const std::string json = publicationJson(title, true, "a\u0085.pdf");
    writeFile(dir.file("title"), title);
    writeFile(dir.file("name"), "a\u0085.pdf");
    const std::string byJq =
        shell("jq -c -n --rawfile t " + quoted(dir.file("title")) + " --rawfile n " +
              quoted(dir.file("name")) + " '{title: $t, pdf: \"document.pdf\", pdfName: $n}'");
    EXPECT_EQ(
        "{\"title\":\"q\\\"b\\\\s\\u0001\\b\\t\\n\\f\\r\\u001f\\u007f \u00e9\u2028/\u4e66\","
        "\"pdf\":\"document.pdf\",\"pdfName\":\"a\\u0085.pdf\"}\n",
        json);
    // jq leaves U+0085 raw; everything else is the same.
    std::string raw = json;
    raw.replace(raw.find("\\u0085"), 6, "\u0085");
    EXPECT_EQ(byJq, raw);
    EXPECT_EQ("{\"title\":\"T\"}\n", publicationJson("T", false, "x.pdf"));
    EXPECT_EQ("{\"title\":\"T\",\"dir\":\"rtl\"}\n", publicationJson("T", false, "x.pdf", true));

    SearchTextWriter search(dir.path(), 40, 3);
    const std::vector<std::vector<std::string>> pages = {
        {"one \"two\"", "three\tfour"}, {},   {"\x01"}, {"x"}, {"y"}, {"z"},
        {std::string(60, 'w')},         {"v"}};
    for (std::size_t n = 0; n < pages.size(); ++n)
        search.addPage(static_cast<int>(n + 1), pages[n]);
    search.finish();
    // A part ends before 40 bytes of entries (pages 1-2: 37 bytes) or at 3 pages (3-5); a larger
    // page is a part of its own (7).
    EXPECT_EQ("{\"v\":2,\"parts\":[[1,2],[3,5],[6,6],[7,7],[8,8]]}\n",
              readFile(dir.file("search.json")));
    EXPECT_EQ("{\"v\":1,\"pages\":[[1,\"one \\\"two\\\"\\nthree\\tfour\"],[2,\"\"]]}\n",
              readFile(dir.file("search-1.json")));
    EXPECT_EQ("{\"v\":1,\"pages\":[[3,\"\\u0001\"],[4,\"x\"],[5,\"y\"]]}\n",
              readFile(dir.file("search-2.json")));
    for (const char* part : {"search-1.json", "search-2.json"})
        EXPECT_EQ(readFile(dir.file(part)), shell("jq -c . " + quoted(dir.file(part))));
}

// The served folder is replaced whole or not at all: a folder of other files is refused, a second
// publish is turned away while the first holds the folder, a stage dropped before its swap
// leaves the old folder as it was and no stage, and a link to the folder keeps leading to the
// new publication.
TEST(PublicationFolder, ReplacesWholeOrNotAtAll) {
    TempDir dir;
    const std::string other = dir.file("other") + "/";
    shell("mkdir " + quoted(other));
    writeFile(other + "thesis.tex", "mine");
    EXPECT_THROW(PublicationFolder(other, PublicationFolder::Start::Empty), DocumentError);
    EXPECT_EQ("mine", readFile(other + "thesis.tex"));

    const std::string served = dir.file("pub") + "/";
    {
        PublicationFolder first(served, PublicationFolder::Start::Empty);
        writeFile(first.stage() + "document.xml", "old");
        EXPECT_THROW(PublicationFolder(served, PublicationFolder::Start::Empty), PublishBusy);
        first.putInPlace();
    }
    {
        PublicationFolder dropped(served, PublicationFolder::Start::CopyOfCurrent);
        EXPECT_EQ("old", readFile(dropped.stage() + "document.xml"));
        writeFile(dropped.stage() + "document.xml.new", "new");
    }
    EXPECT_EQ(std::vector<std::string>{"document.xml"}, listDir(served));
    EXPECT_EQ((std::vector<std::string>{".pub.lock", "other", "pub"}), listDir(dir.path()));

    shell("ln -s pub " + quoted(dir.file("link")));
    {
        PublicationFolder linked(dir.file("link") + "/", PublicationFolder::Start::Empty);
        EXPECT_EQ(served, linked.served());
        writeFile(linked.stage() + "document.xml", "new");
        linked.putInPlace();
    }
    EXPECT_EQ("new", readFile(dir.file("link/document.xml")));
    EXPECT_EQ((std::vector<std::string>{".pub.lock", "link", "other", "pub"}), listDir(dir.path()));
}

}  // namespace
