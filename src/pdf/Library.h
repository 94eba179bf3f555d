// pdf::Library — starts and stops the PDF library for the process.
//
// Exactly one Library lives for the whole run (main owns it on its stack);
// every Document and Page is made and destroyed while it lives. It owns the
// MuPDF context that all other units of the layer borrow through context().
// MuPDF's own error and warning printing is silenced: failures reach callers
// as pdf::Error and nothing of the library's goes to standard output.
//
// Throws pdf::Error from the constructor when the library cannot start, or
// when a second Library is made while one lives.
#pragma once

#include <string>

struct fz_context;

namespace pdf {

class Library {
  public:
    Library();
    ~Library();
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    // The context of the living Library.
    // Throws pdf::Error when no Library lives.
    static fz_context* context();

    // Throws pdf::Error(what + ": " + MuPDF's message of the error just caught).
    // REQUIRES: called right after an fz_catch, before any other MuPDF call.
    [[noreturn]] static void throwCaught(const std::string& what);
};

}  // namespace pdf
