// Reading an XML file the program reads (job files, document.xml, page
// records) into a TinyXML document, within bounds.
//
// The file must be a regular file of at most kMaxXmlFileBytes, well-formed
// UTF-8 without NUL characters (whatever its declaration says: TinyXML
// would take a file without one for Latin-1), and nest its elements at most
// kMaxXmlDepth deep: TinyXML's parser recurses once per level and would
// overflow the stack on a file of a few hundred kilobytes, and reading a
// file of unbounded size costs unbounded memory. Line ends become line
// feeds, as TinyXML's own file loading makes them. Within those bounds the
// file is parsed with TinyXML's defaults (whitespace condensed).
//
//     TiXmlDocument job;
//     std::string why = loadXmlFile(job, "job.xml");   // "" when loaded
//
// Nothing thrown; the reason a file is refused is one phrase, TinyXML's own
// description for what does not parse.
#pragma once

#include <tinyxml.h>

#include <cstddef>
#include <string>

constexpr std::size_t kMaxXmlFileBytes = 64u << 20;
constexpr int kMaxXmlDepth = 256;

// "" when document holds the file; else why it does not.
std::string loadXmlFile(TiXmlDocument& document, const std::string& path);

// The deepest nesting of elements in text, counting no further than
// limit + 1 (comments, CDATA sections, declarations and quoted attribute
// values are passed over).
int elementDepth(const std::string& text, int limit);
