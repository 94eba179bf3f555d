// scripts/publish.sh: a whole publication in one command. The job files it writes, the order
// and the lines it prints, paths and titles that reach their jobs exactly whatever they hold,
// image sizes that agree with document.xml, the first failing job ending the run with its
// message and status, one publish at a time per folder, and publication.json (the PDF's own
// title, the original PDF offered with --with-pdf).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "pdf/builder/PdfBuilder.h"
#include "support/Pattern.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

struct Published {
    int status = -1;
    std::string out, err;
};

std::string quoted(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// The shell command that runs the publisher with the given arguments and the given program,
// its outputs going to dir/NAME.out, dir/NAME.err and its status to dir/NAME.status.
std::string publishCommand(const TempDir& dir, const std::vector<std::string>& args,
                           const std::string& name = "publish",
                           const std::string& program = QUILLONPROXY_BIN) {
    std::string command = "QUILLONPROXY=" + quoted(program) + " " + quoted(QUILLON_PUBLISH_SCRIPT);
    for (const std::string& a : args) command += " " + quoted(a);
    return command + " >" + quoted(dir.file(name + ".out")) + " 2>" +
           quoted(dir.file(name + ".err")) + " </dev/null; echo $? >" +
           quoted(dir.file(name + ".status"));
}

Published published(const TempDir& dir, const std::string& name = "publish") {
    Published p;
    p.status = std::stoi(readFile(dir.file(name + ".status")));
    p.out = readFile(dir.file(name + ".out"));
    p.err = readFile(dir.file(name + ".err"));
    return p;
}

// Runs the publisher with the given arguments, the program of this build.
Published publish(const TempDir& dir, const std::vector<std::string>& args) {
    shell(publishCommand(dir, args));
    return published(dir);
}

// The last part of a path.
std::string fileName(const std::string& path) {
    return path.substr(path.rfind('/') + 1);
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> all;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) all.push_back(line);
    return all;
}

// The value of an XPath expression over an XML file (xmllint, without its line end).
std::string xpath(const std::string& file, const std::string& expression) {
    std::string value =
        shell("xmllint --xpath " + quoted(expression) + " " + quoted(file) + " 2>/dev/null");
    if (!value.empty() && value.back() == '\n') value.pop_back();
    return value;
}

// A PDF of one page with "Hello" on it whose document information's /Title is the given PDF
// string object, written byte for byte: the builder writes a title in ASCII or UTF-16, and
// these tests need PDFDocEncoding's other letters and an explicit byte order mark as well.
void writeTitledPdf(const std::string& path, const std::string& titleObject) {
    const std::string content = "BT /F1 12 Tf 72 700 Td (Hello) Tj ET";
    const std::vector<std::string> objects = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << /Font << /F1 5 0 R "
        ">> >> /Contents 4 0 R >>",
        "<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content + "\nendstream",
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
        "<< /Title " + titleObject + " >>"};
    writeFile(path, handWrittenPdf(objects, "/Info " + std::to_string(objects.size()) + " 0 R"));
}

// A one-page PDF made by the builder, titled in its document information (none when empty).
void writeBuiltPdf(const std::string& path, const std::string& title) {
    pdfbuild::DocumentSpec spec;
    spec.pages.resize(1);
    spec.pages[0].texts = {pdfbuild::textRun(72, 700, "Hello", 12, false)};
    spec.title = title;
    pdfbuild::writePdf(spec, path);
}

// The value of a jq filter over a JSON file, as jq -j prints it (a check that the file parses).
std::string jq(const std::string& file, const std::string& filter) {
    return shell("jq -j " + quoted(filter) + " " + quoted(file) + " 2>&1");
}

// A file's permission bits as stat prints them.
std::string mode(const std::string& file) {
    return shell("stat -c %a " + quoted(file));
}

// The sample under a name with a space, an ampersand and letters beyond ASCII, published
// into a folder named likewise.
class PublishSample : public ::testing::Test {
  protected:
    void SetUp() override {
        pdf = dir.file("Price list & Co \u2013 \u00dcberblick.pdf");
        writeFile(pdf, readFile(samplePdf()));
        out = dir.file("out & \u00fc") + "/";
    }
    TempDir dir;
    std::string pdf, out;
};

TEST_F(PublishSample, PublishesInOneOperationWithProgressAndNothingOfItInside) {
    Published p = publish(dir, {pdf, out});
    ASSERT_EQ(0, p.status) << p.err;
    EXPECT_EQ("Published " + fileName(pdf) + " into " + out +
                  "; serve that folder and open index.html.\n",
              p.out);
    // Progress on standard error: a line per stage, the last with the time it took.
    const std::vector<std::string> progress = lines(p.err);
    ASSERT_GE(progress.size(), 2u) << p.err;
    EXPECT_EQ("publish: " + fileName(pdf) + ": 8 pages into " + out, progress.front());
    EXPECT_TRUE(Pattern("publish: .*: published in [0-9]+\\.[0-9] s").matchesWhole(progress.back()))
        << progress.back();
    // No job files, locks or stages in the served folder, nor beside it but the lock.
    for (const std::string& entry : listDir(out)) EXPECT_NE('.', entry[0]) << entry;
    EXPECT_FALSE(fileExists(out + "jobs"));
    EXPECT_EQ((std::vector<std::string>{"." + fileName(out.substr(0, out.size() - 1)) + ".lock",
                                        fileName(pdf), fileName(out.substr(0, out.size() - 1)),
                                        "publish.err", "publish.out", "publish.status"}),
              listDir(dir.path()));
    EXPECT_EQ("", publish(dir, {pdf, out, "--quiet"}).err);
    // The publication: the outputs and the viewer beside them.
    for (const char* file :
         {"document.xml", "Page_8.xml", "Page_8.html", "Text_8.json", "DocumentIndex.xml",
          "seo.xml", "index.html", "viewer.js", "viewer.css", "Styles/Page.css"})
        EXPECT_TRUE(fileExists(out + file)) << file;
    EXPECT_EQ("Quillon Field Guide", xpath(out + "seo.xml", "string(/p/span)"));
    // Web and e-mail addresses in the text became links.
    const std::string record = readFile(out + "Page_8.xml");
    EXPECT_NE(std::string::npos, record.find("url=\"mailto:orders@example.com\"")) << record;
    EXPECT_NE(std::string::npos, record.find("url=\"http://www.example.com/catalog\"")) << record;
}

// Thumbnails at the descriptor's thumbnail width, pages at its sizes in points (72 dpi), zoom
// images at its "hiimage" sizes (144 dpi).
TEST_F(PublishSample, ImageSizesAgreeWithTheDescriptor) {
    ASSERT_EQ(0, publish(dir, {pdf, out}).status);
    for (int n = 1; n <= 8; ++n) {
        const std::string entry = "/doc/pages/page[@num='" + std::to_string(n) + "']/";
        for (const char* kind : {"thumbnail", "normal", "hiimage"}) {
            const std::string file =
                xpath(out + "document.xml", "string(" + entry + kind + "/@file)");
            Image image = decodeJpeg(out + file);
            EXPECT_EQ(std::to_string(image.width),
                      xpath(out + "document.xml", "string(" + entry + kind + "/@width)"))
                << file;
            EXPECT_EQ(std::to_string(image.height),
                      xpath(out + "document.xml", "string(" + entry + kind + "/@height)"))
                << file;
        }
    }
}

// Products with an address holding '&', markup, quotes and two spaces, a file of more
// expressions, right-to-left text.
TEST_F(PublishSample, OptionsReachTheirJobs) {
    writeFile(dir.file("more.xml"),
              "<e target=\"0\" linktype=\"2\" result=\"#page=$regresult\" description=\"\">"
              "<regexp>(?&lt;=page )\\d+</regexp></e>");
    Published p = publish(dir, {pdf, out, "--products", "QX-\\d{4}", "--product-url",
                                "http://shop.example.com/?code=$regresult&x=<1>  \"'",
                                "--expressions", dir.file("more.xml"), "--lang", "ar", "--rtl"});
    ASSERT_EQ(0, p.status) << p.err;
    EXPECT_EQ("http://shop.example.com/?code=QX-1042&x=<1>  \"'",
              xpath(out + "Page_3.xml", "string(//product[@productid='QX-1042']/@url)"));
    EXPECT_EQ("#page=3", xpath(out + "Page_3.xml", "string(//link[@text='3']/@url)"));
    EXPECT_NE(std::string::npos, readFile(out + "index.html").find("<html lang=\"en\">"));
    EXPECT_NE(std::string::npos, readFile(out + "index.html").find("data-document-lang=\"ar\""));
}

TEST(Publish, FirstFailingJobEndsTheRunWithItsMessageAndStatus) {
    TempDir dir;
    writeFile(dir.file("not a pdf.pdf"), "plain text, no PDF at all\n");
    const std::string out = dir.file("out") + "/";
    Published p = publish(dir, {dir.file("not a pdf.pdf"), out});
    EXPECT_EQ(255, p.status);
    EXPECT_NE(std::string::npos, p.err.find("failed (status 255)")) << p.err;
    EXPECT_NE(std::string::npos, p.err.find("cannot open document")) << p.err;
    EXPECT_FALSE(fileExists(out));
}

// Regression: when the program's build moved into a library of its own, the executable landed
// in build/src/, and the publisher (and the benchmarks) run from a source tree found no program,
// or an old one left at build/quillonproxy. The build keeps it at the top of its tree.
TEST(Publish, BuildPutsTheProgramWhereThePublisherLooks) {
    EXPECT_EQ(std::string(QUILLON_BINARY_DIR) + "/quillonproxy", std::string(QUILLONPROXY_BIN));
}

// cmake --install puts the program, the publisher and the viewer where the publisher finds
// them without being told.
TEST(Publish, InstalledTreePublishes) {
    TempDir dir;
    const std::string prefix = dir.file("prefix");
    ASSERT_EQ("0\n", shell("cmake --install " + quoted(QUILLON_BINARY_DIR) + " --prefix " +
                           quoted(prefix) + " >/dev/null 2>&1; echo $?"));
    for (const char* file :
         {"bin/quillonproxy", "bin/quillonproxy-publish", "share/quillonproxy/viewer/index.html",
          "share/quillonproxy/viewer/Styles/Page.css", "share/doc/quillonproxy/jobs.md"})
        EXPECT_TRUE(fileExists(prefix + "/" + file)) << file;
    const std::string out = dir.file("out") + "/";
    EXPECT_EQ("0\n", shell("env -u QUILLONPROXY PATH=/usr/bin:/bin " +
                           quoted(prefix + "/bin/quillonproxy-publish") + " " +
                           quoted(samplePdf()) + " " + quoted(out) + " >/dev/null 2>&1; echo $?"));
    EXPECT_TRUE(fileExists(out + "index.html"));
    EXPECT_TRUE(fileExists(out + "zoom8.jpg"));
}

TEST(Publish, WrongArgumentsGiveUsage) {
    TempDir dir;
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{}, {"only.pdf"}, {"a.pdf", "out", "--colour"}}) {
        Published p = publish(dir, args);
        EXPECT_EQ(2, p.status);
        EXPECT_NE(std::string::npos, p.err.find("Usage: publish.sh PDF OUTDIR")) << p.err;
    }
    // The whole option list, the last option included.
    Published help = publish(dir, {"--help"});
    EXPECT_EQ(2, help.status);
    EXPECT_NE(std::string::npos, help.err.find("\n  --with-pdf            offer the original PDF"))
        << help.err;
    EXPECT_NE(std::string::npos,
              help.err.find("\n  --rtl                 a book read from right to left"))
        << help.err;
    Published missing = publish(dir, {dir.file("missing.pdf"), dir.file("out")});
    EXPECT_EQ(2, missing.status);
    EXPECT_NE(std::string::npos, missing.err.find("no such file")) << missing.err;
    // A language that is no tag would go into the viewer's page as it is: refused first.
    Published language = publish(dir, {samplePdf(), dir.file("out"), "--lang", "en\"><b"});
    EXPECT_EQ(2, language.status);
    EXPECT_NE(std::string::npos, language.err.find("--lang takes a language tag")) << language.err;
    EXPECT_FALSE(fileExists(dir.file("out")));
}

// The search text comes in parts of consecutive pages, none over its size unless a page alone
// is, indexed by search.json; a publish of fewer parts leaves none of the earlier ones.
TEST(Publish, SearchTextComesInPartsOfPagesInOrder) {
    TempDir dir;
    const std::string out = dir.file("out") + "/";
    shell("QUILLONPROXY_SEARCH_PART_BYTES=500 " + publishCommand(dir, {samplePdf(), out}));
    ASSERT_EQ(0, published(dir).status) << published(dir).err;
    // Every part's first and last page, and its pages as it holds them.
    const std::vector<std::string> parts =
        lines(shell("jq -r '.parts[] | \"\\(.[0]) \\(.[1])\"' " + quoted(out + "search.json")));
    ASSERT_GT(parts.size(), 2u);
    int next = 1;
    for (size_t part = 1; part <= parts.size(); ++part) {
        const std::string file = out + "search-" + std::to_string(part) + ".json";
        const int first = std::stoi(parts[part - 1]);
        const int last = std::stoi(parts[part - 1].substr(parts[part - 1].find(' ')));
        EXPECT_EQ(next, first) << file;
        std::string expected;
        for (int page = first; page <= last; ++page) expected += std::to_string(page) + "\n";
        EXPECT_EQ(expected, shell("jq -r '.pages[][0]' " + quoted(file))) << file;
        // Within its size, unless one page alone is larger.
        if (first < last) {
            EXPECT_LE(readFile(file).size(), 500u + 20u) << file;
        }
        next = last + 1;
    }
    EXPECT_EQ(9, next);
    EXPECT_FALSE(fileExists(out + "search-" + std::to_string(parts.size() + 1) + ".json"));
    ASSERT_EQ(0, publish(dir, {samplePdf(), out}).status);
    EXPECT_EQ("{\"v\":2,\"parts\":[[1,8]]}\n", readFile(out + "search.json"));
    EXPECT_FALSE(fileExists(out + "search-2.json"));
}

// Regression: after a publish killed half-way, a run again left the killed run's partial
// images (".qp-" files) in the served folder, since a job removes only those a quarter of an
// hour old.
TEST(Publish, TemporariesOfAKilledRunGoBeforeTheNextServes) {
    TempDir dir;
    const std::string out = dir.file("out") + "/";
    ASSERT_EQ(0, publish(dir, {samplePdf(), out}).status);
    writeFile(out + ".qp-a1B2c3", "half an image");
    ASSERT_EQ(0, publish(dir, {samplePdf(), out}).status);
    EXPECT_FALSE(fileExists(out + ".qp-a1B2c3"));
    EXPECT_TRUE(fileExists(out + "zoom1.jpg"));
}

// Regression: a PDF named "-x.pdf" was taken for an unknown option. After "--" it is the PDF,
// and it reaches every tool as a name, not an option.
TEST(Publish, DoubleDashEndsTheOptions) {
    TempDir dir;
    writeFile(dir.file("-x.pdf"), readFile(samplePdf()));
    shell("cd " + quoted(dir.path()) + " && " + publishCommand(dir, {"--", "-x.pdf", "-out"}));
    Published p = published(dir);
    ASSERT_EQ(0, p.status) << p.err;
    EXPECT_EQ("-x.pdf", xpath(dir.file("-out/document.xml"), "string(/doc/@filename)"));
    EXPECT_TRUE(fileExists(dir.file("-out/index.html")));
    EXPECT_EQ(2, publish(dir, {"-x.pdf", "out"}).status);  // without it, an unknown option
}

// Regression: the job-file reader condenses white space in element text, so publishing into
// "victim  pub" (or a name with a tab or a line feed) sent every output into an existing
// "victim pub" before failing, and a PDF under a name with two spaces was not found. Every
// name now reaches its jobs exactly; the folder of the condensed name stays untouched.
TEST(Publish, HostileNamesReachTheirJobsExactly) {
    TempDir dir;
    const std::string folder = dir.file("pdf  folder");
    ASSERT_EQ("", shell("mkdir " + quoted(folder)));
    const std::string pdf = folder + "/two  spaces.pdf";
    writeFile(pdf, readFile(samplePdf()));
    const std::string victim = dir.file("victim pub");
    ASSERT_EQ("", shell("mkdir " + quoted(victim)));
    writeFile(victim + "/keep", "untouched");
    for (const char* name : {"victim  pub", "victim\tpub", "victim\npub", " victim \r\n pub ",
                             "victim pub\n", "victim & <pub> \"q\" 'a' \u00fc\u2013\u4e66"}) {
        SCOPED_TRACE(name);
        const std::string out = dir.file(name) + "/";
        Published p = publish(dir, {pdf, out});
        ASSERT_EQ(0, p.status) << p.err;
        EXPECT_EQ(fileName(pdf), xpath(out + "document.xml", "string(/doc/@filename)"));
        EXPECT_EQ("two  spaces", xpath(out + "document.xml", "string(/doc/@id)"));
        for (const char* file :
             {"document.xml", "Page_8.xml", "zoom8.jpg", "seo.xml", "index.html"})
            EXPECT_TRUE(fileExists(out + file)) << file;
        EXPECT_EQ(std::vector<std::string>{"keep"}, listDir(victim));
    }
}

// Regression: the publisher read the title out of document.xml with a pattern, and a title
// holding '"' was lost from seo.xml. Quotes, markup and white space inside now arrive exactly,
// letters beyond ASCII too (document.xml folds them to '?'), white space around is trimmed; a
// title of white space alone counts as none (the file name stands in, as for an empty one).
TEST(Publish, TitleReachesSeoTextExactly) {
    TempDir dir;
    pdfbuild::DocumentSpec spec;
    spec.pages.resize(1);
    spec.pages[0].texts = {pdfbuild::textRun(72, 700, "Hello", 12, false)};
    for (const auto& [title, shown] : std::vector<std::pair<std::string, std::string>>{
             {"Say \"hi\" & 'bye'  <now>\tor\nlater ", "Say \"hi\" & 'bye'  <now>\tor\nlater"},
             {"Einführung – Übersicht", "Einführung – Übersicht"},
             {"It's", "It's"},
             {" \t ", "titled"}}) {
        SCOPED_TRACE(title);
        spec.title = title;
        pdfbuild::writePdf(spec, dir.file("titled.pdf"));
        const std::string out = dir.file("out") + "/";
        Published p = publish(dir, {dir.file("titled.pdf"), out});
        ASSERT_EQ(0, p.status) << p.err;
        EXPECT_EQ(shown, xpath(out + "seo.xml", "string(/p/span)"));
    }
}

// publication.json names the PDF's own title in full Unicode, however the PDF encodes it,
// trimmed of white space around it; a PDF without a title is named by its file name. The file
// is one line of JSON with every control character escaped.
TEST(Publish, PublicationJsonHoldsThePdfsOwnTitle) {
    TempDir dir;
    struct Case {
        std::string file;
        std::string builtTitle;   // UTF-8 for the builder (used when titleObject is empty)
        std::string titleObject;  // the /Title object written by hand
        std::string title;        // the title publication.json holds
        std::string json;         // publication.json's exact bytes, less the line feed
    };
    const std::vector<Case> cases = {
        // UTF-16BE with its byte order mark, a character beyond the BMP (a surrogate pair).
        {"utf16.pdf", "",
         "<FEFF 0043 0061 0066 00E9 0020 2013 0020 00DC 006E 00EF 0063 006F 0064 0065 0020 6771 "
         "4EAC 0020 D834 DD1E>",
         "Caf\u00e9 \u2013 \u00dcn\u00efcode \u6771\u4eac \U0001D11E",
         "{\"title\":\"Caf\u00e9 \u2013 \u00dcn\u00efcode \u6771\u4eac \U0001D11E\"}"},
        // PDFDocEncoding: \xE9 is "é", \x85 the en dash, \xDC "Ü", \xEF "ï".
        {"pdfdoc.pdf", "",
         "(Caf\xE9 \x85 \xDCn\xEF"
         "code)",
         "Caf\u00e9 \u2013 \u00dcn\u00efcode",
         "{\"title\":\"Caf\u00e9 \u2013 \u00dcn\u00efcode\"}"},
        // The builder's UTF-16 for what is not ASCII; white space around (an ideographic and a
        // no-break space among it) goes, white space inside stays.
        {"spaced.pdf", " \t\u3000 Caf\u00e9 \u2013 \u00dcn\u00efcode  \u6771\u4eac\u00a0 \n", "",
         "Caf\u00e9 \u2013 \u00dcn\u00efcode  \u6771\u4eac",
         "{\"title\":\"Caf\u00e9 \u2013 \u00dcn\u00efcode  \u6771\u4eac\"}"},
        {"escapes.pdf", "Say \"hi\" \\ back\tslash", "", "Say \"hi\" \\ back\tslash",
         R"({"title":"Say \"hi\" \\ back\tslash"})"},
        // Control characters: C0, DEL and C1 all escaped.
        {"controls.pdf", "Line\nfeed\x01\x7f\u0085end", "", "Line\nfeed\x01\x7f\u0085end",
         R"({"title":"Line\nfeed\u0001\u007f\u0085end"})"},
        // No title, and a title of white space alone: the file name less its extension.
        {"Kein Titel \u2013 \u00dcbersicht.PDF", "", "", "Kein Titel \u2013 \u00dcbersicht",
         "{\"title\":\"Kein Titel \u2013 \u00dcbersicht\"}"},
        {"blank.pdf", "", "( \\t\\r\\n )", "blank", R"({"title":"blank"})"},
        {"wide blank.pdf", "\u3000 \u00a0", "", "wide blank", R"({"title":"wide blank"})"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string pdf = dir.file(c.file);
        if (c.titleObject.empty())
            writeBuiltPdf(pdf, c.builtTitle);
        else
            writeTitledPdf(pdf, c.titleObject);
        const std::string out = dir.file("out " + c.file) + "/";
        Published p = publish(dir, {pdf, out, "--no-tiles"});
        ASSERT_EQ(0, p.status) << p.err;
        EXPECT_EQ(c.json + "\n", readFile(out + "publication.json"));
        EXPECT_EQ(c.title, jq(out + "publication.json", ".title"));
        EXPECT_EQ("title", jq(out + "publication.json", "keys_unsorted | join(\",\")"));
    }
}

// --with-pdf offers the original PDF as document.pdf, byte for byte, under its own name; a
// publish without the option takes it back. Both files are readable like the rest of the
// publication, no temporary file stays, and a publish that fails leaves neither file.
TEST(Publish, WithPdfOffersTheOriginalUntilAPublishWithout) {
    TempDir dir;
    const std::string name = "Preisliste \u2013 \u00dcbersicht \"2024\".pdf";
    const std::string pdf = dir.file(name);
    writeBuiltPdf(pdf, "Preisliste 2024");
    const std::string out = dir.file("out") + "/";
    const std::string json = out + "publication.json";

    Published p = publish(dir, {pdf, out, "--with-pdf", "--no-tiles"});
    ASSERT_EQ(0, p.status) << p.err;
    EXPECT_EQ(readFile(pdf), readFile(out + "document.pdf"));
    EXPECT_EQ(
        "{\"title\":\"Preisliste 2024\",\"pdf\":\"document.pdf\",\"pdfName\":"
        "\"Preisliste \u2013 \u00dcbersicht \\\"2024\\\".pdf\"}\n",
        readFile(json));
    EXPECT_EQ(name, jq(json, ".pdfName"));
    EXPECT_EQ("title,pdf,pdfName", jq(json, "keys_unsorted | join(\",\")"));
    EXPECT_EQ(mode(out + "document.xml"), mode(out + "document.pdf"));
    EXPECT_EQ(mode(out + "document.xml"), mode(json));
    for (const std::string& entry : listDir(out)) EXPECT_NE('.', entry[0]) << entry;

    p = publish(dir, {pdf, out, "--no-tiles"});
    ASSERT_EQ(0, p.status) << p.err;
    EXPECT_FALSE(fileExists(out + "document.pdf"));
    EXPECT_EQ("{\"title\":\"Preisliste 2024\"}\n", readFile(json));

    // The PDF published may be the folder's document.pdf itself: it stays without the option,
    // and is offered with it.
    writeFile(out + "document.pdf", readFile(pdf));
    p = publish(dir, {out + "document.pdf", out, "--no-tiles"});
    ASSERT_EQ(0, p.status) << p.err;
    EXPECT_EQ(readFile(pdf), readFile(out + "document.pdf"));
    EXPECT_EQ("{\"title\":\"Preisliste 2024\"}\n", readFile(json));
    p = publish(dir, {out + "document.pdf", out, "--with-pdf", "--no-tiles"});
    ASSERT_EQ(0, p.status) << p.err;
    EXPECT_EQ(readFile(pdf), readFile(out + "document.pdf"));
    EXPECT_EQ("document.pdf", jq(json, ".pdfName"));

    // A publish that fails: nothing claims what it did not make.
    ASSERT_EQ(0, publish(dir, {pdf, out, "--with-pdf", "--no-tiles"}).status);
    EXPECT_TRUE(fileExists(out + "search.json"));
    writeFile(dir.file("broken.pdf"), "plain text, no PDF at all\n");
    p = publish(dir, {dir.file("broken.pdf"), out, "--with-pdf", "--no-tiles"});
    EXPECT_EQ(255, p.status);
    // A publish that fails leaves the one before it serving, whole.
    EXPECT_EQ(readFile(pdf), readFile(out + "document.pdf"));
    EXPECT_EQ(name, jq(json, ".pdfName"));
    EXPECT_TRUE(fileExists(out + "search-1.json"));
}

// Regression: two publishes into one folder at once deleted each other's job files and failed
// with a misleading message. The second now stops at once saying why, while the first (held in
// its first job until the second has ended) is undisturbed and completes.
TEST(Publish, OnePublishAtATimePerFolder) {
    TempDir dir;
    const std::string out = dir.file("shared pub") + "/";
    // The first publish holds the folder's lock (as its program does while it works) until "go"
    // (at most 30 s), then runs its program.
    auto waitFor = [&](const std::string& file) {
        return "i=0; while [ ! -e " + quoted(dir.file(file)) +
               " ] && [ $i -lt 600 ]; do sleep 0.05; i=$((i + 1)); done";
    };
    writeFile(dir.file("held.sh"),
              "#!/bin/sh\nflock " + quoted(dir.file(".shared pub.lock")) + " sh -c " +
                  quoted(": >" + quoted(dir.file("started")) + "; " + waitFor("go")) + "\nexec " +
                  quoted(QUILLONPROXY_BIN) + " \"$@\"\n");
    shell("chmod +x " + quoted(dir.file("held.sh")) + "; (" +
          publishCommand(dir, {samplePdf(), out}, "first", dir.file("held.sh")) +
          ") >/dev/null 2>&1 &");
    shell(waitFor("started"));

    Published second = publish(dir, {samplePdf(), out});
    const bool firstWasRunning = !fileExists(dir.file("first.status"));
    writeFile(dir.file("go"), "");
    shell(waitFor("first.status"));

    EXPECT_TRUE(firstWasRunning);
    EXPECT_EQ(75, second.status);
    EXPECT_EQ(
        "publish.sh: another publish is running in " + out + "; try again when it has finished\n",
        second.err);
    EXPECT_EQ("", second.out);
    ASSERT_TRUE(fileExists(dir.file("first.status")));
    Published first = published(dir, "first");
    EXPECT_EQ(0, first.status) << first.err;
    EXPECT_NE(std::string::npos, first.out.find("Published")) << first.out;
    for (const char* file : {"document.xml", "Page_8.xml", "zoom8.jpg", "seo.xml", "index.html"})
        EXPECT_TRUE(fileExists(out + file)) << file;
}

// What a job file cannot hold (a control character in a name) and an expressions file that is
// not XML stop the run before any job, saying which.
TEST(Publish, WhatJobFilesCannotHoldStopsBeforeAnyJob) {
    TempDir dir;
    const std::string bell = dir.file("bell\x01pub") + "/";
    Published p = publish(dir, {samplePdf(), bell});
    EXPECT_EQ(2, p.status);
    EXPECT_EQ(0u, p.err.find("publish.sh: a job file cannot hold $'" + dir.file("bell\\001pub/'")))
        << p.err;
    EXPECT_EQ(1, std::count(p.err.begin(), p.err.end(), '\n')) << p.err;
    EXPECT_FALSE(fileExists(bell + "document.xml"));

    writeFile(dir.file("more.xml"),
              "<e target=\"0\" linktype=\"0\" result=\"\" description=\"\"><regexp>a</e>");
    const std::string out = dir.file("out") + "/";
    p = publish(dir, {samplePdf(), out, "--expressions", dir.file("more.xml")});
    EXPECT_EQ(2, p.status);
    EXPECT_EQ(0u, p.err.find("publish.sh: the expressions file is not well-formed XML: ")) << p.err;
    EXPECT_FALSE(fileExists(out));
}

}  // namespace

namespace {

// The separate jobs as the publisher used to run them (tests/scripts/publish-by-jobs.sh), into
// dir/jobs/, and the one operation into dir/one/; diff's lines for the files that differ.
std::vector<std::string> differences(const TempDir& dir, const std::string& pdf) {
    const std::string byJobs =
        std::string(QUILLON_SOURCE_DIR) + "/tests/scripts/publish-by-jobs.sh";
    const std::vector<std::string> options = {"--products", "Q[A-Z]-\\d{3,4}|\\b[A-Z]{2}\\d{3}\\b"};
    std::string args;
    for (const std::string& option : options) args += " " + quoted(option);
    shell("rm -rf " + quoted(dir.file("jobs")) + " " + quoted(dir.file("one")) + "; " +
          quoted(byJobs) + " " + quoted(pdf) + " " + quoted(dir.file("jobs")) + args +
          " >/dev/null 2>&1; rm -rf " + quoted(dir.file("jobs/jobs")));
    std::vector<std::string> all = {pdf, dir.file("one")};
    all.insert(all.end(), options.begin(), options.end());
    all.push_back("--quiet");
    all.push_back("--no-tiles");  // the separate jobs make none
    EXPECT_EQ(0, publish(dir, all).status) << pdf;
    return lines(
        shell("diff -rq " + quoted(dir.file("jobs")) + " " + quoted(dir.file("one")) + " 2>&1"));
}

}  // namespace

// The one operation writes what the eleven jobs write, file for file: the sample with its
// products, and corpus documents of every kind (forms, outlines, labels, links, rotated pages,
// CJK). The only difference allowed is an image where MuPDF reuses an image decoded for another
// size of the same page, as on the three documents listed.
TEST(Publication, WritesWhatTheSeparateJobsWrite) {
    TempDir dir;
    EXPECT_EQ(std::vector<std::string>{}, differences(dir, samplePdf()));
    const std::set<std::string> imageReused = {"pdfjs_issue5896.pdf", "pdfjs_issue918.pdf",
                                               "pdfjs_tracemonkey.pdf"};
    int documents = 0;
    for (const char* name :
         {"pdfjs_issue5896.pdf", "pdfjs_issue918.pdf", "pdfjs_tracemonkey.pdf",
          "pdfjs_ArabicCIDTrueType.pdf", "pdfjs_labelled_pages.pdf", "pdfjs_rotation.pdf",
          "pysf_libre-office-link.pdf", "qpdf_link-annots.pdf", "qpdf_page-labels-and-outlines.pdf",
          "plumber_nics-rotated.pdf", "pysf_multicolumn.pdf"}) {
        const std::string pdf = corpusFile(name);
        if (pdf.empty()) continue;
        ++documents;
        SCOPED_TRACE(name);
        const std::vector<std::string> differing = differences(dir, pdf);
        if (imageReused.count(name) == 0) {
            EXPECT_EQ(std::vector<std::string>{}, differing);
            continue;
        }
        EXPECT_LE(differing.size(), 1u);
        for (const std::string& line : differing)
            EXPECT_TRUE(Pattern("/(thumb|page|zoom)[0-9]+\\.jpg differ$").search(line)) << line;
    }
    if (documents == 0) GTEST_SKIP() << "no corpus documents";
}

namespace {

// Every file under dir (relative names, sorted) with its inode, as `find` prints them.
std::string filesWithInodes(const std::string& dir) {
    return shell("cd " + quoted(dir) + " && find . -type f -printf '%P %i\\n' | sort");
}

// A PDF of `pages` pages, each with its number in words on it.
void writeNumberedPdf(const std::string& path, int pages, double width = 612) {
    pdfbuild::DocumentSpec spec;
    spec.pages.resize(pages);
    for (int n = 0; n < pages; ++n) {
        spec.pages[n].width = width;
        spec.pages[n].texts = {
            pdfbuild::textRun(72, 700, "Page " + std::to_string(n + 1), 12, false)};
    }
    pdfbuild::writePdf(spec, path);
}

}  // namespace

// A publish replaces the served folder whole: a smaller document leaves nothing of a larger
// one; a publish killed at any moment leaves the old publication whole and serving, and the
// next publish completes.
TEST(Publication, ReplacesTheFolderWholeEvenWhenKilled) {
    TempDir dir;
    const std::string out = dir.file("pub") + "/";
    ASSERT_EQ(0, publish(dir, {samplePdf(), out}).status);
    writeNumberedPdf(dir.file("two.pdf"), 2);
    ASSERT_EQ(0, publish(dir, {dir.file("two.pdf"), out}).status);
    for (const char* gone : {"Page_3.xml", "page3.jpg", "Text_3.json", "Page_3.html", "jobs"})
        EXPECT_FALSE(fileExists(out + gone)) << gone;
    EXPECT_EQ("{\"v\":2,\"parts\":[[1,2]]}\n", readFile(out + "search.json"));

    const std::string before =
        shell("cd " + quoted(out) + " && find . -type f | sort | xargs md5sum");
    writeNumberedPdf(dir.file("long.pdf"), 60);
    std::srand(7);
    int killed = 0;
    for (int trial = 0; trial < 8; ++trial) {
        SCOPED_TRACE(trial);
        const int killAfterMs = std::rand() % 400;
        // Its job file lies in jobs/ of this test's folder, so the kill finds this program only
        // ("[q]" keeps the pattern from matching the shell that runs pkill). The wait counts
        // from the program's start, up to 5 s, not the script's: on a busy machine the script
        // may take longer than the wait to start it.
        const std::string program = quoted("[q]uillonproxy " + dir.file("jobs") + "/");
        shell("mkdir -p " + quoted(dir.file("jobs")) + "; (TMPDIR=" + quoted(dir.file("jobs")) +
              " " + publishCommand(dir, {dir.file("long.pdf"), out, "--quiet"}, "killed") +
              ") & for i in $(seq 100); do pgrep -f " + program +
              " >/dev/null && break; sleep 0.05; done; sleep " +
              std::to_string(killAfterMs / 1000.0) + "; pkill -KILL -f " + program + "; wait");
        const int status = published(dir, "killed").status;
        if (status != 0) ++killed;
        const std::string now =
            shell("cd " + quoted(out) + " && find . -type f | sort | xargs md5sum");
        const bool old = now == before;
        const bool complete = fileExists(out + "Page_60.xml") && fileExists(out + "zoom60.jpg") &&
                              fileExists(out + "publication.json") && !fileExists(out + "jobs");
        // Killed before the swap: the old one; after it: the new one, whole.
        EXPECT_TRUE(old || complete) << status << "\n" << now;
        if (status == 0) {
            EXPECT_TRUE(complete);
        }
        if (complete) {
            ASSERT_EQ(0, publish(dir, {dir.file("two.pdf"), out}).status);
        }
    }
    EXPECT_GE(killed, 2);  // most runs are killed half-way, not after the swap
    ASSERT_EQ(0, publish(dir, {samplePdf(), out}).status);
    for (const std::string& entry : listDir(dir.path()))
        EXPECT_EQ(std::string::npos, entry.find(".stage-")) << entry;
}

// Republishing pages 3-4 writes their files again and leaves every other page's files the same
// files; a PDF whose page count or sizes changed is refused, the publication left as it was.
TEST(Publication, PageRangeRewritesOnlyThosePages) {
    TempDir dir;
    const std::string out = dir.file("pub") + "/";
    writeNumberedPdf(dir.file("five.pdf"), 5);
    ASSERT_EQ(0, publish(dir, {dir.file("five.pdf"), out}).status);
    const std::vector<std::string> before = lines(filesWithInodes(out));
    Published p = publish(dir, {dir.file("five.pdf"), out, "--pages", "3-4"});
    ASSERT_EQ(0, p.status) << p.err;
    const std::vector<std::string> after = lines(filesWithInodes(out));
    ASSERT_EQ(before.size(), after.size());
    const Pattern rewritten(
        "((thumb|page|zoom)[34]\\.jpg|Page_[34]\\.(xml|html)|Text_[34]\\.json|document\\.xml|"
        "DocumentIndex\\.xml|seo\\.xml|search(-1)?\\.json|publication\\.json|index\\.html|"
        "tiles/[34]-.*) .*");
    for (std::size_t i = 0; i < before.size(); ++i) {
        const std::string name = before[i].substr(0, before[i].find(' '));
        ASSERT_EQ(name, after[i].substr(0, after[i].find(' ')));
        const bool viewer = (name.find('/') != std::string::npos && name.rfind("tiles/", 0) != 0) ||
                            name.find(".js") != std::string::npos ||
                            name.find(".css") != std::string::npos;
        if (rewritten.matchesWhole(before[i])) {
            EXPECT_NE(before[i], after[i]) << "not written again: " << name;
        } else if (!viewer) {
            EXPECT_EQ(before[i], after[i]) << "written again: " << name;
        }
    }

    // A part of the search text that the republished text no longer fills goes.
    writeFile(out + "search-9.json", "{}");
    ASSERT_EQ(0, publish(dir, {dir.file("five.pdf"), out, "--pages", "3"}).status);
    EXPECT_FALSE(fileExists(out + "search-9.json"));

    const std::vector<std::string> settled = lines(filesWithInodes(out));
    writeNumberedPdf(dir.file("six.pdf"), 6);
    writeNumberedPdf(dir.file("wide.pdf"), 5, 800);
    for (const char* changed : {"six.pdf", "wide.pdf"}) {
        p = publish(dir, {dir.file(changed), out, "--pages", "2"});
        EXPECT_EQ(255, p.status) << changed;
        EXPECT_NE(std::string::npos, p.err.find("page count or page sizes differ")) << p.err;
        EXPECT_EQ(settled, lines(filesWithInodes(out))) << changed;
    }
}

// The sharp zoom's tiles: every level of every page whole in tiles of 1024 pixels (smaller at
// its right and bottom edges), the page stretched over the level's size from the descriptor's
// whole points, a level past 16384 pixels left out; none with --no-tiles, and a range cannot
// add them to a publication without them.
TEST(Publication, TilesCoverEveryLevelOfEveryPage) {
    TempDir dir;
    pdfbuild::DocumentSpec spec;
    // 100.5 x 60.7 pt (100 x 60 in the descriptor): its left half's top half black, a red bar
    // along its bottom.
    pdfbuild::PageSpec marked;
    marked.width = 100.5;
    marked.height = 60.7;
    marked.rects = {{0, 30.35, 50.25, 60.7, 0, 0, 0}, {0, 0, 100.5, 6.07, 1, 0, 0}};
    pdfbuild::PageSpec strip;  // 17928 pixels wide at 922 dpi
    strip.width = 1400;
    strip.height = 20;
    spec.pages = {marked, strip};
    pdfbuild::writePdf(spec, dir.file("tiles.pdf"));
    const std::string out = dir.file("pub") + "/";
    Published p = publish(dir, {dir.file("tiles.pdf"), out, "--quiet"});
    ASSERT_EQ(0, p.status) << p.err;

    struct Level {
        int page, dpi, width, height;
    };
    std::vector<std::string> expected, made;
    for (const Level& level : std::vector<Level>{{1, 324, 450, 270},
                                                 {1, 576, 800, 480},
                                                 {1, 922, 1280, 768},
                                                 {2, 324, 6300, 90},
                                                 {2, 576, 11200, 160}}) {
        for (int y = 0; y < level.height; y += 1024) {
            for (int x = 0; x < level.width; x += 1024) {
                expected.push_back(std::to_string(level.page) + "-" + std::to_string(level.dpi) +
                                   "-" + std::to_string(x / 1024) + "-" + std::to_string(y / 1024) +
                                   ".jpg " + std::to_string(std::min(1024, level.width - x)) + "x" +
                                   std::to_string(std::min(1024, level.height - y)));
            }
        }
    }
    std::sort(expected.begin(), expected.end());
    for (const std::string& name : listDir(out + "tiles")) {
        const Image tile = decodeJpeg(out + "tiles/" + name);
        made.push_back(name + " " + std::to_string(tile.width) + "x" + std::to_string(tile.height));
    }
    EXPECT_EQ(expected, made);
    // The black quarter ends at 50.25 of 100.5 pt: pixel 640 of 1280, the red bar starts at
    // row 691 of 768; the right tile goes on from pixel 1024.
    const Image left = decodeJpeg(out + "tiles/1-922-0-0.jpg");
    const Image right = decodeJpeg(out + "tiles/1-922-1-0.jpg");
    EXPECT_LT(left.at(634, 300, 0), 40);
    EXPECT_GT(left.at(646, 300, 0), 215);
    EXPECT_GT(left.at(600, 760, 0), 200);
    EXPECT_LT(left.at(600, 760, 1), 60);
    EXPECT_GT(right.at(100, 300, 0), 215);
    EXPECT_GT(right.at(100, 760, 0), 200);
    EXPECT_LT(right.at(100, 760, 1), 60);
    EXPECT_EQ(
        "{\"title\":\"tiles\",\"tiles\":{\"size\":1024,\"dpi\":[324,576,922],\"side\":16384}}\n",
        readFile(out + "publication.json"));

    ASSERT_EQ(0, publish(dir, {dir.file("tiles.pdf"), out, "--quiet", "--no-tiles"}).status);
    EXPECT_FALSE(fileExists(out + "tiles"));
    EXPECT_EQ("{\"title\":\"tiles\"}\n", readFile(out + "publication.json"));
    p = publish(dir, {dir.file("tiles.pdf"), out, "--quiet", "--pages", "1"});
    EXPECT_EQ(255, p.status);
    EXPECT_NE(std::string::npos, p.err.find("with sharp zoom tiles: the publication has none; "
                                            "publish it whole"))
        << p.err;
    EXPECT_EQ(
        0,
        publish(dir, {dir.file("tiles.pdf"), out, "--quiet", "--pages", "1", "--no-tiles"}).status);
}
