// pdf::Error — the one exception type of the PDF layer.
//
// Every failure inside src/pdf/ (a MuPDF error caught at the layer's error
// boundary, a JPEG encoder error, a refused request) reaches callers as a
// pdf::Error. Its message is one readable line that names the file and, where
// it applies, the page, followed by the underlying library's own words, e.g.
//
//     "report.pdf: cannot open document: no objects found"
//     "report.pdf: page 3: cannot render: out of memory"
#pragma once

#include <stdexcept>
#include <string>

namespace pdf {

class Error : public std::runtime_error {
  public:
    explicit Error(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace pdf
