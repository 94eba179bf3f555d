#include "document/XmlFile.h"

#include <cerrno>
#include <cstring>

#include "document/DocumentError.h"
#include "document/OutputFile.h"
#include "text/TextEncoding.h"

namespace {

// Length of the well-formed UTF-8 character at text[i]; 0 when there is none.
size_t characterLength(const std::string& text, size_t i) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    unsigned char lead = bytes[i];
    int length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    if (i + static_cast<size_t>(length) > text.size()) return 0;
    return textenc::isLegalUtf8Sequence(bytes + i, length) ? static_cast<size_t>(length) : 0;
}

void clean(TiXmlNode* node) {
    for (TiXmlNode* child = node->FirstChild(); child != nullptr; child = child->NextSibling()) {
        if (TiXmlText* text = child->ToText()) text->SetValue(xmlCharacters(text->ValueStr()));
        if (TiXmlElement* element = child->ToElement()) {
            for (TiXmlAttribute* a = element->FirstAttribute(); a != nullptr; a = a->Next())
                a->SetValue(xmlCharacters(a->ValueStr()));
            clean(element);
        }
    }
}

}  // namespace

std::string xmlCharacters(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            if (c >= 0x20 || c == '\t' || c == '\n' || c == '\r') out += static_cast<char>(c);
            ++i;
            continue;
        }
        size_t length = characterLength(text, i);
        if (length == 0) {
            out += "\xEF\xBF\xBD";  // U+FFFD for a byte that starts no character
            ++i;
            continue;
        }
        // U+FFFE and U+FFFF are no characters.
        bool nonCharacter = length == 3 && c == 0xEF && text[i + 1] == '\xBF' &&
                            (text[i + 2] == '\xBE' || text[i + 2] == '\xBF');
        if (!nonCharacter) out.append(text, i, length);
        i += length;
    }
    return out;
}

std::unique_ptr<OutputFile> stageXmlFile(TiXmlDocument& document, const std::string& path,
                                         const char* temporaryPrefix, OutputFile::Flush flush) {
    utf8ToWide(path);
    clean(&document);
    auto out = std::make_unique<OutputFile>(path, temporaryPrefix);
    errno = 0;
    if (!document.SaveFile(out->stream())) {
        int error = errno != 0 ? errno : EIO;
        throw DocumentError("Cannot write file '" + path + "': " + std::strerror(error));
    }
    out->finish(flush);
    return out;
}

void writeXmlFile(TiXmlDocument& document, const std::string& path) {
    stageXmlFile(document, path)->commit();
}

TiXmlElement* appendElement(TiXmlNode* parent, const char* name) {
    auto* element = new TiXmlElement(name);
    parent->LinkEndChild(element);
    return element;
}
