// A fixture for tests of a page's text: writes a PDF built from code and reads the lines of its
// first page, as the index has them.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pdf/Library.h"
#include "pdf/builder/PdfBuilder.h"
#include "support/TestSupport.h"

namespace testing_support {

class BuiltPageText : public ::testing::Test {
  protected:
    // The lines of the first page, each its words one space apart.
    std::vector<std::string> linesOf(const pdfbuild::DocumentSpec& spec);
    std::vector<std::string> linesOf(const pdfbuild::PageSpec& page);
    // The first page's text as the index has it (TextPage::text()), line by line: hyphens
    // and addresses joined.
    std::vector<std::string> textLinesOf(const pdfbuild::PageSpec& page);

    pdf::Library library;
    TempDir dir;

  private:
    int count_ = 0;
};

}  // namespace testing_support
