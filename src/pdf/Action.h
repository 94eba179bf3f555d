// pdf::Action — what following a bookmark or a link annotation does.
//
// Read from the item's /A action dictionary or, when it has none, from its
// /Dest entry (a plain destination counts as a go-to action):
//   GoTo:  /S /GoTo (or a bare /Dest). The destination is an explicit array
//          [pageRef ...] or [pageIndex ...], a name or string looked up in the
//          document's named destinations, or a dictionary holding /D. It is
//          valid when it leads to a page of this document; `page` is then
//          that page's 1-based number.
//   Uri:   /S /URI. `uri` is the /URI entry read as PDF text, in UTF-8;
//          `uriReadable` is false when the entry is missing or not a string.
//   Other: any other action (/Launch, /Named, /JavaScript, /GoToR, ...).
//   None:  no action at all, or one that is not a dictionary.
#pragma once

#include <string>

struct pdf_obj;
struct pdf_document;

namespace pdf {

struct Action {
    enum class Kind { None, GoTo, Uri, Other };
    Kind kind = Kind::None;
    bool destinationValid = false;  // GoTo only
    int page = 0;                   // GoTo with a valid destination: 1-based
    bool uriReadable = false;       // Uri only
    std::string uri;                // Uri only, UTF-8
};

// For the layer's own units: the action of `item` (a link annotation or an
// outline item dictionary). Throws pdf::Error when the objects cannot be read.
Action readAction(pdf_document* doc, pdf_obj* item);

}  // namespace pdf
