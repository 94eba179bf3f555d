// Pages are found in their tree's order whatever its shape: in a book of 1,000 pages or more
// through MuPDF's map of the tree, when the tree holds exactly the pages it declares, and by
// walking the tree otherwise. A tree that declares more or fewer pages than it holds, or holds
// a kid without a type, reads as it always did. Regression: a book whose tree was one list of
// 10,208 kids spent most of each job finding its pages (3.8 s of 3.8 s for its descriptor).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/TestSupport.h"

using namespace testing_support;

namespace {

struct TreeCase {
    const char* what;
    int pages;               // held, each saying "PageN"
    int declared;            // the root's /Count
    bool nested;             // pages after the first under a node of their own
    bool untyped;            // the first page without /Type
    std::vector<int> asked;  // pages whose text is checked
    const char* failure;     // or the job's line
};

// Objects: 1 catalog, 2 root, 3 font, 4 the inner node, then each page and its content.
std::string treePdf(const TreeCase& c) {
    std::vector<std::string> objects = {"<< /Type /Catalog /Pages 2 0 R >>", "",
                                        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
                                        ""};
    std::string kids;
    for (int n = 1; n <= c.pages; ++n) {
        const int page = 3 + 2 * n;
        (n == 1 || !c.nested ? objects[1] : objects[3]) += std::to_string(page) + " 0 R ";
        const std::string ops = "BT /F1 12 Tf 20 100 Td (Page" + std::to_string(n) + ") Tj ET";
        objects.push_back(std::string("<< ") + (n == 1 && c.untyped ? "" : "/Type /Page ") +
                          "/MediaBox [0 0 200 200] /Resources << /Font << /F1 3 0 R >> >> "
                          "/Contents " +
                          std::to_string(page + 1) + " 0 R >>");
        objects.push_back("<< /Length " + std::to_string(ops.size()) + " >>\nstream\n" + ops +
                          "\nendstream");
    }
    objects[3] = "<< /Type /Pages /Parent 2 0 R /Kids [" + objects[3] + "] /Count " +
                 std::to_string(c.pages - 1) + " >>";
    objects[1] = "<< /Type /Pages /Kids [" + objects[1] + (c.nested ? "4 0 R" : "") + "] /Count " +
                 std::to_string(c.declared) + " >>";
    return handWrittenPdf(objects);
}

TEST(PageTree, PagesAreFoundInTheTreesOrderWhateverItsShape) {
    const std::vector<TreeCase> cases = {
        {"one flat list", 3, 3, false, false, {1, 2, 3}, ""},
        {"a node inside the root", 3, 3, true, false, {1, 2, 3}, ""},
        {"a kid without a type", 3, 3, false, true, {1, 2, 3}, ""},
        {"fewer pages declared than held", 3, 2, false, false, {1, 2}, ""},
        {"more pages declared than held",
         3,
         4,
         false,
         false,
         {},
         "tree.pdf: page 4: cannot load page: cannot find page 4 in page tree\n"},
        {"a book: one flat list", 1200, 1200, false, false, {1, 2, 600, 1199, 1200}, ""},
        {"a book in a node inside the root", 1200, 1200, true, false, {1, 2, 777, 1200}, ""},
        {"a book declaring more pages than it holds",
         1200,
         1201,
         false,
         false,
         {},
         "tree.pdf: page 1201: cannot load page: cannot find page 1201 in page tree\n"},
    };
    for (const TreeCase& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        writeFile(dir.file("tree.pdf"), treePdf(c));
        RunResult run =
            runJob(dir, "<job name=\"createindex\"><inputfile>" + dir.file("tree.pdf") +
                            "</inputfile><outputdir>" + dir.path() + "</outputdir></job>");
        if (*c.failure != '\0') {
            EXPECT_EQ(255, run.status);
            EXPECT_EQ(c.failure, run.out);
            continue;
        }
        ASSERT_EQ(0, run.status) << run.out;
        const std::string index = readFile(dir.file("DocumentIndex.xml"));
        EXPECT_EQ(std::string::npos,
                  index.find("<page p=\"" + std::to_string(c.declared + 1) + "\">"));
        for (int page : c.asked) {
            const std::string number = std::to_string(page);
            EXPECT_NE(std::string::npos,
                      index.find("<page p=\"" + number + "\">Page" + number + "</page>"))
                << page;
        }
    }
}

}  // namespace
