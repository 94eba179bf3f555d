// Mistyped jobs are told about on standard error, one line each, while standard output and
// the exit status stay what clients know; a required text that is present but empty is
// refused like a missing one.
#include <gtest/gtest.h>

#include "pdf/builder/PdfBuilder.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

class Diagnostics : public ::testing::Test {
  protected:
    void SetUp() override {
        pdfbuild::DocumentSpec doc;
        doc.pages.resize(1);
        doc.pages[0].texts = {pdfbuild::textRun(72, 700, "Hello")};
        pdf = dir.file("in.pdf");
        pdfbuild::writePdf(doc, pdf);
    }
    std::string files(const std::string& outputDir) const {
        return "<inputfile>" + pdf + "</inputfile><outputdir>" + outputDir + "</outputdir>";
    }
    std::string files() const { return files(dir.path()); }
    std::string imagesJob(const std::string& quality) const {
        return "<job name=\"createimages\">" + files() + "<prefix>p</prefix><quality>" + quality +
               "</quality><resolution>10</resolution><headerresolution>10</headerresolution>"
               "</job>";
    }
    TempDir dir;
    std::string pdf;
};

TEST_F(Diagnostics, ACorrectJobSaysNothing) {
    RunResult run = runJob(dir, "<job name=\"createindex\">" + files() + "</job>");
    EXPECT_EQ(0, run.status);
    EXPECT_EQ("", run.out);
    EXPECT_EQ("", run.err);
}

// "expressions" for "expresions": the job runs as before, with no expression, and the
// operator learns why nothing was found.
TEST_F(Diagnostics, UnknownElementsAreNamedWithTheNearestParameter) {
    publishPageRecords(dir, pdf);
    RunResult run = runJob(
        dir, "<job name=\"recognizelinks\">" + files() +
                 "<userange>0</userange><importpdflinks>0</importpdflinks><usebinarysearch>0"
                 "</usebinarysearch><expressions><e target=\"1\" linktype=\"0\" result=\"r\" "
                 "description=\"d\"><regexp>Hello</regexp></e></expressions><colour>red</colour>"
                 "<userange>1</userange></job>");
    EXPECT_EQ(0, run.status);
    EXPECT_EQ("", run.out);
    EXPECT_EQ(
        "warning: Job element 'expressions' is not a parameter of recognizelinks and is ignored "
        "\u2014 did you mean 'expresions'?\n"
        "warning: Job element 'colour' is not a parameter of recognizelinks and is ignored\n"
        "warning: Job parameter 'userange' is given twice; the first one counts\n",
        run.err);
}

TEST_F(Diagnostics, QualityThatIsNoNumberOrOutOfRangeIsNamed) {
    RunResult run = runJob(dir, imagesJob("high"));
    EXPECT_EQ(0, run.status);
    EXPECT_EQ("", run.out);
    EXPECT_EQ(
        "warning: Job parameter 'quality' is not a whole number: 'high' is read as 0\n"
        "warning: Job parameter 'quality' is 0: JPEG quality runs from 1 to 100, and the encoder "
        "uses 1\n",
        run.err);
    EXPECT_TRUE(fileExists(dir.file("p1.jpg")));
    run = runJob(dir, imagesJob("150"));
    EXPECT_EQ(0, run.status);
    EXPECT_EQ(
        "warning: Job parameter 'quality' is 150: JPEG quality runs from 1 to 100, and the "
        "encoder uses 100\n",
        run.err);
}

// Each kind of flag has its two forms; anything else is read as the reading of flags says,
// and named.
TEST_F(Diagnostics, FlagsOutsideTheirTwoFormsAreNamed) {
    RunResult run = runJob(
        dir, "<job name=\"createdocumentxml\">" + files() +
                 "<version>1</version><documentlang>en</documentlang><thumbprefix>t</thumbprefix>"
                 "<pagesprefix>p</pagesprefix><zoomprefix>z</zoomprefix><zoompostfix>jpg"
                 "</zoompostfix><docid>d</docid><importbookmarks>1</importbookmarks>"
                 "<importpagelabels>false</importpagelabels></job>");
    EXPECT_EQ(0, run.status);
    EXPECT_EQ(
        "warning: Job parameter 'importbookmarks' is '1': only 'true' turns it on, so it is "
        "off\n",
        run.err);
    run = runJob(
        dir, "<job name=\"createpagesxml\">" + files() + "<importlinks>true</importlinks></job>");
    EXPECT_EQ(0, run.status);
    EXPECT_EQ(
        "warning: Job parameter 'importlinks' is 'true': only '1' turns it on, so it is off\n",
        run.err);
    run = runJob(dir, "<job name=\"recognizelinks\">" + files() +
                          "<userange>0</userange><importpdflinks>yes</importpdflinks>"
                          "<usebinarysearch>0</usebinarysearch></job>");
    EXPECT_EQ(0, run.status);
    EXPECT_EQ(
        "warning: Job parameter 'importpdflinks' is not a whole number: 'yes' is read as off\n",
        run.err);
}

// Regression: "out" for "out/" wrote "outDocumentIndex.xml" beside the directory without a
// word.
TEST_F(Diagnostics, OutputDirectoryWithoutSeparatorIsNamed) {
    RunResult run =
        runJob(dir, "<job name=\"createindex\">" + files(dir.path() + "out") + "</job>");
    EXPECT_EQ(0, run.status);
    EXPECT_EQ("", run.out);
    EXPECT_EQ(
        "warning: Job parameter 'outputdir' does not end with '/': the files are written "
        "beside '" +
            dir.path() + "out', their names starting with it\n",
        run.err);
    EXPECT_TRUE(fileExists(dir.file("outDocumentIndex.xml")));
}

// Regression: an empty output directory wrote into the working directory with status 0.
TEST_F(Diagnostics, RequiredTextThatIsEmptyIsRefused) {
    RunResult run = runJob(dir, "<job name=\"createindex\"><inputfile>" + pdf +
                                    "</inputfile><outputdir>"
                                    "</outputdir></job>");
    EXPECT_EQ(255, run.status);
    EXPECT_EQ("Job parameter 'outputdir' has no value\n", run.out);
    run = runJob(dir, "<job name=\"getpagescount\"><inputfile> </inputfile></job>");
    EXPECT_EQ(255, run.status);
    EXPECT_EQ("Job parameter 'inputfile' has no value\n", run.out);
    // The title of the SEO text is the one required parameter that may be empty.
    run = runJob(dir, "<job name=\"createseotext\">" + files() +
                          "<title></title><maxlines>0</maxlines><addcreatorlink>0</addcreatorlink>"
                          "<creatorname>c</creatorname><creatorurl>u</creatorurl></job>");
    EXPECT_EQ(0, run.status);
    EXPECT_EQ("", run.err);
}

// Regression: seven of the nine commands failed without a word when the input PDF was missing.
// Standard output stays empty, as clients know it; the reason goes to standard error.
TEST_F(Diagnostics, MissingInputIsExplained) {
    const std::string missing = dir.file("missing.pdf");
    for (const std::string& job :
         {"<job name=\"createindex\"><inputfile>" + missing + "</inputfile><outputdir>" +
              dir.path() + "</outputdir></job>",
          "<job name=\"getpagescount\"><inputfile>" + missing + "</inputfile></job>"}) {
        RunResult run = runJob(dir, job);
        EXPECT_EQ(255, run.status);
        EXPECT_EQ("", run.out);
        EXPECT_EQ(
            "error: input file '" + missing + "' cannot be found: No such file or directory\n",
            run.err);
    }
}

}  // namespace
