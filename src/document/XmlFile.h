// Writing an XML output file whole, in TinyXML's printed form, always
// well-formed.
//
// Whatever a PDF or a job file holds, every attribute value and text of the
// document is made something XML 1.0 allows before it is printed: the
// control characters it forbids (U+0000 to U+001F but tab, line feed and
// carriage return, which TinyXML would otherwise write as "&#x07;" and the
// like) and the noncharacters U+FFFE and U+FFFF are dropped, and a byte
// sequence that is not UTF-8 becomes U+FFFD.
//
//     writeXmlFile(xml, dir + "document.xml");
//
// The path must be well-formed UTF-8 (EncodingError, "La falla!", before
// anything is written); the file is written through OutputFile, so it is
// replaced whole or left as it was. Throws DocumentError naming the path.
#pragma once

#include <tinyxml.h>

#include <memory>
#include <string>

#include "document/OutputFile.h"

// REQUIRES: nothing else uses the document while it is written; its
// strings are cleaned in place.
void writeXmlFile(TiXmlDocument& document, const std::string& path);

// The same up to the last step: the file is written and finished beside
// the target but not put in place; commit() does that, and destroying it
// uncommitted removes it. For writers that put several files in place
// together.
std::unique_ptr<OutputFile> stageXmlFile(TiXmlDocument& document, const std::string& path,
                                         const char* temporaryPrefix = kOutputTemporaryPrefix,
                                         OutputFile::Flush flush = OutputFile::Flush::OnFinish);

// A new empty element `name`, appended to parent's children (which owns it).
TiXmlElement* appendElement(TiXmlNode* parent, const char* name);

// The text as XML 1.0 allows it, as writeXmlFile cleans every string.
//     xmlCharacters("a\x07b") == "ab"
std::string xmlCharacters(const std::string& text);
