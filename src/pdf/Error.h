// pdf::Error — the one exception type of the PDF layer.
//
// Every failure inside src/pdf/ (a MuPDF error caught at the layer's error boundary, a JPEG
// encoder error, a refused request) reaches callers as a pdf::Error. It carries what went
// wrong in fields: where (the file's name, the page, the PDF object), the operation that
// failed and the reason, in the underlying library's own words. Its message is formatted once,
// from the fields, as one readable line; parts that are absent are left out. Constructing one
// throws nothing but std::bad_alloc:
//
//     file ": page " page ": " operation [" (object " object ")"] [": " reason]
//
//     Error(Error::Place{"report.pdf"}, "cannot open document", "no objects found").what()
//         == "report.pdf: cannot open document: no objects found"
//     Error(Error::Place{"report.pdf", 3}, "cannot render", "out of memory").what()
//         == "report.pdf: page 3: cannot render: out of memory"
//
// A unit that catches an Error of a unit below it does not take its message apart: within()
// makes the same error as seen from the catcher's place and operation.
//
//     Error("cannot read /First", "no such object", 12).within(Error::Place{"a.pdf"}, "outline")
//         == "a.pdf: outline: cannot read /First (object 12): no such object"
#pragma once

#include <exception>
#include <string>

namespace pdf {

class Error : public std::exception {
  public:
    // Where a failure happened; an empty file or a page of 0 is not known (yet).
    struct Place {
        std::string file;  // the file's name without its directories
        int page = 0;      // 1-based
    };

    // Write a place as Error::Place{...}: a braced {"a.pdf", 5} alone would also read as a
    // string (the first 5 bytes of "a.pdf").
    Error(std::string operation, std::string reason, int object = 0);
    Error(Place place, std::string operation, std::string reason = "", int object = 0);

    // This error as it happened within `operation` at `place`: the place fills what this
    // error's own place lacks, and the operation (when not empty) goes before its own.
    Error within(const Place& place, const std::string& operation = "") const;

    const std::string& file() const { return place_.file; }
    int page() const { return place_.page; }
    // The number of the PDF object being read; 0 when none.
    int object() const { return object_; }
    const std::string& operation() const { return operation_; }
    const std::string& reason() const { return reason_; }
    const char* what() const noexcept override { return message_.c_str(); }

  private:
    Place place_;
    std::string operation_;
    std::string reason_;
    int object_ = 0;
    std::string message_;
};

}  // namespace pdf
