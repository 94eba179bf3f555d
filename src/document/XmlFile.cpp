#include "document/XmlFile.h"

#include <stdio.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>

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

// TinyXML's printer passes "&#x" and what follows up to the next ';' through unescaped (it
// takes them for a character reference already written), so a value holding the text
// "&#x41;" would be read back as "A", and "&#x3c;" or a '<' before the ';' would make the file
// ill-formed. Before printing, the '&' of every "&#x" in a value is replaced by this control
// character, which cleaning removed from every value and which TinyXML prints as
// kStandInPrinted; after printing, that is replaced by "&amp;".
constexpr char kAmpersandStandIn = '\x01';
constexpr const char* kStandInPrinted = "&#x01;";

// Cleans every string of node's subtree; true when an ampersand stand-in was put in.
bool clean(TiXmlNode* node) {
    bool standIns = false;
    auto cleaned = [&standIns](const std::string& value) {
        std::string text = xmlCharacters(value);
        for (std::size_t at = text.find("&#x"); at != std::string::npos;
             at = text.find("&#x", at + 1)) {
            text[at] = kAmpersandStandIn;
            standIns = true;
        }
        return text;
    };
    for (TiXmlNode* child = node->FirstChild(); child != nullptr; child = child->NextSibling()) {
        if (TiXmlText* text = child->ToText()) text->SetValue(cleaned(text->ValueStr()));
        if (TiXmlElement* element = child->ToElement()) {
            for (TiXmlAttribute* a = element->FirstAttribute(); a != nullptr; a = a->Next())
                a->SetValue(cleaned(a->ValueStr()));
            standIns = clean(element) || standIns;
        }
    }
    return standIns;
}

// The document as TinyXML prints it to a file, with every printed stand-in made "&amp;".
// Returns false when it cannot be printed.
bool printWithAmpersands(TiXmlDocument& document, std::string& printed) {
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* memory = open_memstream(&buffer, &size);
    if (memory == nullptr) return false;
    const bool saved = document.SaveFile(memory);
    const bool closed = std::fclose(memory) == 0;
    std::unique_ptr<char, decltype(&std::free)> owned(buffer, &std::free);
    if (!saved || !closed) return false;
    printed.clear();
    const std::string_view text(buffer, size);
    const std::string_view standIn(kStandInPrinted);
    std::size_t from = 0;
    for (std::size_t at = text.find(standIn); at != std::string_view::npos;
         at = text.find(standIn, from)) {
        printed.append(text.substr(from, at - from));
        printed += "&amp;";
        from = at + standIn.size();
    }
    printed.append(text.substr(from));
    return true;
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
    const bool standIns = clean(&document);
    auto out = std::make_unique<OutputFile>(path, temporaryPrefix);
    errno = 0;
    std::string printed;
    const bool written = standIns ? printWithAmpersands(document, printed) &&
                                        std::fwrite(printed.data(), 1, printed.size(),
                                                    out->stream()) == printed.size()
                                  : document.SaveFile(out->stream());
    if (!written) {
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
