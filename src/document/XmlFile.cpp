#include "document/XmlFile.h"

#include "document/DocumentError.h"
#include "document/OutputFile.h"
#include "text/TextEncoding.h"

void writeXmlFile(const TiXmlDocument& document, const std::string& path) {
    utf8ToWide(path);
    OutputFile out(path);
    if (!document.SaveFile(out.stream())) throw DocumentError("Cannot write file '" + path + "'");
    out.commit();
}
