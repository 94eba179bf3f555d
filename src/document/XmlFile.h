// Writing an XML output file whole, in TinyXML's printed form.
//
// The path must be well-formed UTF-8 (EncodingError, "La falla!", before
// anything is written); the file is written through OutputFile, so it is
// replaced whole or left as it was. Throws DocumentError naming the path.
#pragma once

#include <tinyxml.h>

#include <string>

void writeXmlFile(const TiXmlDocument& document, const std::string& path);
