// PDF object access for the layer's own units (not for callers outside
// src/pdf/).
//
// The functions that read through MuPDF's error stack (resolving references,
// loading objects) run it at the layer's boundary (Boundary.h) and throw
// pdf::Error naming the operation and the object read; the type tests and
// plain conversions never fail and never throw. Each function says which it
// is. Objects returned are borrowed from the document and valid while it is
// open. References are handed back as stored (so that object numbers can be
// told apart); every test and conversion here looks through them. A missing
// entry or an object of another type gives nullptr, 0, -1 or "" as stated.
#pragma once

#include <string>

struct pdf_obj;
struct pdf_document;
struct pdf_page;

namespace pdf {
namespace objects {

// dict[key]; nullptr when absent, null, or when dict is not a dictionary.
// Throws pdf::Error when the entry cannot be loaded.
pdf_obj* get(pdf_obj* dict, const char* key);
// Length of an array; 0 for anything else. Throws pdf::Error.
int length(pdf_obj* array);
// array[i]; nullptr outside the array. Throws pdf::Error.
pdf_obj* at(pdf_obj* array, int i);

// Type tests and conversions: never throw.
bool isArray(pdf_obj* obj);
bool isDictionary(pdf_obj* obj);
bool isString(pdf_obj* obj);
bool isInteger(pdf_obj* obj);
bool isAnyName(pdf_obj* obj);
// True when obj is the name `name` (without the slash).
bool isName(pdf_obj* obj, const char* name);
int toInteger(pdf_obj* obj);
// A number (integer or real) as a double; 0 for anything else.
double toReal(pdf_obj* obj);
// A text string (PDFDocEncoding or UTF-16 with BOM) as UTF-8; "" for
// anything that is not a string. Throws pdf::Error.
std::string toText(pdf_obj* obj);
// A string's raw bytes; "" for anything that is not a string.
std::string toBytes(pdf_obj* obj);
// The object number of an indirect reference; 0 for a direct object.
int objectNumber(pdf_obj* obj);

// A page's resources, inherited from the page tree where the page has none.
// Throws pdf::Error.
pdf_obj* pageResources(pdf_page* page);

// The document catalog and the trailer's /Info dictionary (nullptr when
// there is none), and the page count. Each throws pdf::Error.
pdf_obj* catalog(pdf_document* doc);
pdf_obj* info(pdf_document* doc);
int pageCountOf(pdf_document* doc);
// 0-based index of the page whose dictionary pageRef is; -1 when it is not a
// page of this document. Never throws.
int pageIndex(pdf_document* doc, pdf_obj* pageRef);
// The destination a name or string names (catalog /Dests or the /Names
// /Dests tree); nullptr when it names none or cannot be looked up. Never throws.
pdf_obj* namedDestination(pdf_document* doc, pdf_obj* name);

}  // namespace objects
}  // namespace pdf
