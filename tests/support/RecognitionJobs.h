// Helpers for tests of the recognition jobs: writing "recognizelinks" jobs, reading the links
// a page record gained, and the "loc" form of an expected rectangle.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pdf/builder/PdfBuilder.h"
#include "support/TestSupport.h"

namespace testing_support {

// One entry of a job's "expresions" list.
struct Expression {
    std::string regexp;
    int target = 0;
    int linkType = 0;
    std::string result = "http://$regresult";
    std::string description = "d";
};

// The <expresions> element for the expressions, their regular expressions escaped for XML.
std::string expressionList(const std::vector<Expression>& expressions);

// A "recognizelinks" job over pdf into dir; extra elements are added as given, and
// "userange", "importpdflinks" and "usebinarysearch" default to 0 when extra has none.
std::string linksJob(const TempDir& dir, const std::string& pdf,
                     const std::vector<Expression>& expressions, const std::string& extra = "");

// A fixture for tests of "recognizelinks": a PDF built from code with its page records
// published into dir, and the job run over it.
class RecognitionFixture : public ::testing::Test {
  protected:
    // Writes doc as dir/in.pdf and publishes its page records.
    void write(const pdfbuild::DocumentSpec& doc);
    RunResult recognize(const std::vector<Expression>& expressions, const std::string& extra = "");

    TempDir dir;
    std::string pdf;
};

// An attribute value of a page record as its text: TinyXML's escapes undone.
//     xmlUnescaped("a&amp;b&#x0A;") == "a&b\n"
std::string xmlUnescaped(std::string value);

// The <link .../> elements of a page record's text, in file order.
std::vector<std::string> linksOf(const std::string& xml);

// The "loc" value of a rectangle: position rounded half down, size rounded up.
std::string loc(double x, double y, double w, double h);

}  // namespace testing_support
