#include "job/JobInput.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace {

const char* textOf(TiXmlElement* element) {
    return element->GetText();
}

std::string quoted(const std::string& key) {
    return "'" + key + "'";
}

// Levenshtein distance, for the nearest parameter to a misspelt one.
size_t distance(const std::string& a, const std::string& b) {
    std::vector<size_t> row(b.size() + 1), next(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (size_t i = 0; i < a.size(); ++i) {
        next[0] = i + 1;
        for (size_t j = 0; j < b.size(); ++j)
            next[j + 1] = std::min({row[j + 1] + 1, next[j] + 1, row[j] + (a[i] == b[j] ? 0 : 1)});
        std::swap(row, next);
    }
    return row[b.size()];
}

// The value of a flag that only `truth` turns on.
std::string flagReading(bool on) {
    return on ? "on" : "off";
}

}  // namespace

bool parseLeadingInt(const char* text, int& value) {
    if (text == nullptr) return false;
    char* end = nullptr;
    errno = 0;
    long parsed = std::strtol(text, &end, 10);
    if (end == text) return false;
    if (parsed > INT_MAX) parsed = INT_MAX;
    if (parsed < INT_MIN) parsed = INT_MIN;
    value = static_cast<int>(parsed);
    return true;
}

bool JobInput::fail(const std::string& message) {
    if (error_.empty()) error_ = message;
    return false;
}

void JobInput::warn(const std::string& message) {
    warnings_.push_back(message);
}

TiXmlElement* JobInput::element(TiXmlNode* job, const char* key) {
    known_.insert(key);
    return job->FirstChildElement(key);
}

void JobInput::checkNumber(const char* key, const char* text, const std::string& readAs) {
    if (text == nullptr) return;
    char* end = nullptr;
    std::strtol(text, &end, 10);
    bool whole = end != text;
    while (whole && *end != '\0') whole = std::isspace(static_cast<unsigned char>(*end++)) != 0;
    if (!whole) {
        warn("Job parameter " + quoted(key) + " is not a whole number: " + quoted(text) +
             " is read as " + readAs);
    }
}

void JobInput::checkElements(TiXmlNode* job, const std::string& command) {
    std::set<std::string> seen;
    for (TiXmlElement* e = job->FirstChildElement(); e != nullptr; e = e->NextSiblingElement()) {
        const std::string name = e->ValueStr();
        if (known_.count(name) == 0) {
            std::string nearest;
            size_t best = name.size() / 3 + 1;
            for (const std::string& key : known_) {
                size_t d = distance(name, key);
                if (d <= best && (nearest.empty() || d < best)) {
                    best = d;
                    nearest = key;
                }
            }
            warn("Job element " + quoted(name) + " is not a parameter of " + command +
                 (nearest.empty()
                      ? std::string(" and is ignored")
                      : " and is ignored \u2014 did you mean " + quoted(nearest) + "?"));
        } else if (!seen.insert(name).second) {
            warn("Job parameter " + quoted(name) + " is given twice; the first one counts");
        }
    }
    if (known_.count("outputdir") != 0 && !outputDir.empty() && outputDir.back() != '/') {
        warn("Job parameter 'outputdir' does not end with '/': the files are written beside " +
             quoted(outputDir) + ", their names starting with it");
    }
}

bool JobInput::readText(TiXmlNode* job, const char* key, std::string& field, Presence presence) {
    TiXmlElement* e = element(job, key);
    if (e == nullptr) {
        if (presence != Presence::Optional)
            return fail("Job parameter " + quoted(key) + " is missing");
        field.clear();
        return true;
    }
    const char* text = textOf(e);
    field = text != nullptr ? text : "";
    if (field.empty() && presence == Presence::Required)
        return fail("Job parameter " + quoted(key) + " has no value");
    return true;
}

bool JobInput::readAtoi(TiXmlNode* job, const char* key, int& field, bool required) {
    TiXmlElement* e = element(job, key);
    if (e == nullptr) {
        if (required) return fail("Job parameter " + quoted(key) + " is missing");
        field = 0;
        return true;
    }
    const char* text = textOf(e);
    if (text == nullptr && required) return fail("Job parameter " + quoted(key) + " has no value");
    int value = 0;
    parseLeadingInt(text, value);
    field = value;
    checkNumber(key, text, std::to_string(value));
    return true;
}

bool JobInput::readScanned(TiXmlNode* job, const char* key, int& field, bool required) {
    TiXmlElement* e = element(job, key);
    if (e == nullptr) {
        return required ? fail("Job parameter " + quoted(key) + " is missing") : true;
    }
    const char* text = textOf(e);
    if (text == nullptr && required) return fail("Job parameter " + quoted(key) + " has no value");
    parseLeadingInt(text, field);
    checkNumber(key, text, std::to_string(field));
    return true;
}

bool JobInput::readFlagText(TiXmlNode* job, const char* key, const char* truth, bool& field,
                            bool required) {
    TiXmlElement* e = element(job, key);
    if (e == nullptr) {
        if (required) return fail("Job parameter " + quoted(key) + " is missing");
        field = false;
        return true;
    }
    const char* text = textOf(e);
    field = text != nullptr && std::strcmp(text, truth) == 0;
    const char* falsity = std::strcmp(truth, "1") == 0 ? "0" : "false";
    if (!field && (text == nullptr || std::strcmp(text, falsity) != 0)) {
        warn("Job parameter " + quoted(key) + " is " + quoted(text != nullptr ? text : "") +
             ": only " + quoted(truth) + " turns it on, so it is " + flagReading(field));
    }
    return true;
}

bool JobInput::readFlagScanned(TiXmlNode* job, const char* key, bool& field, bool required) {
    TiXmlElement* e = element(job, key);
    if (e == nullptr) {
        if (required) return fail("Job parameter " + quoted(key) + " is missing");
        field = false;
        return true;
    }
    int number = 0;
    parseLeadingInt(textOf(e), number);
    field = number != 0;
    checkNumber(key, textOf(e), flagReading(field));
    return true;
}

bool JobInput::readPageRange(TiXmlNode* job, int& useRange, int& fromPage, int& toPage) {
    // The range's ends are parameters even when the range is not used.
    known_.insert("frompage");
    known_.insert("topage");
    bool ok = readScanned(job, "userange", useRange);
    if (useRange != 0) {
        ok = readScanned(job, "frompage", fromPage, false) && ok;
        ok = readScanned(job, "topage", toPage, false) && ok;
    }
    return ok;
}

bool JobInput::readAttribute(TiXmlElement* expression, int position, const char* name,
                             std::string& field) {
    const char* value = expression->Attribute(name);
    if (value == nullptr) {
        return fail("Expression " + std::to_string(position) + " has no attribute " + quoted(name));
    }
    field = value;
    return true;
}

bool JobInput::readScannedAttribute(TiXmlElement* expression, int position, const char* name,
                                    int& field) {
    std::string text;
    if (!readAttribute(expression, position, name, text)) return false;
    if (!parseLeadingInt(text.c_str(), field)) {
        return fail("Expression " + std::to_string(position) + ": attribute " + quoted(name) +
                    " is not a number");
    }
    checkNumber(("expression " + std::to_string(position) + " attribute " + name).c_str(),
                text.c_str(), std::to_string(field));
    return true;
}

bool JobInput::readRegExp(TiXmlElement* expression, int position, std::string& field) {
    TiXmlElement* regexp = expression->FirstChildElement("regexp");
    if (regexp == nullptr) {
        return fail("Expression " + std::to_string(position) + " has no 'regexp' element");
    }
    // An empty expression is allowed: it ends the list of those searched.
    const char* text = regexp->GetText();
    field = text != nullptr ? text : "";
    return true;
}

bool GetPagesCountInput::readJobParams(TiXmlNode* job) {
    return readText(job, "inputfile", inputFile);
}

bool CreateImagesInput::readJobParams(TiXmlNode* job) {
    bool ok = readText(job, "prefix", prefix);
    ok = readText(job, "outputdir", outputDir) && ok;
    ok = readAtoi(job, "quality", quality) && ok;
    ok = readAtoi(job, "resolution", resolution) && ok;
    ok = readAtoi(job, "headerresolution", headerResolution) && ok;
    ok = readAtoi(job, "width", width, false) && ok;
    ok = readAtoi(job, "height", height, false) && ok;
    ok = readText(job, "inputfile", inputFile) && ok;
    if (ok && (quality < 1 || quality > 100)) {
        warn("Job parameter 'quality' is " + std::to_string(quality) +
             ": JPEG quality runs from 1 to 100, and the encoder uses " +
             std::to_string(quality < 1 ? 1 : 100));
    }
    return ok;
}

bool CreateDocumentXMLInput::readJobParams(TiXmlNode* job) {
    bool ok = readText(job, "inputfile", inputFile);
    ok = readText(job, "outputdir", outputDir) && ok;
    ok = readText(job, "version", version) && ok;
    ok = readText(job, "documentlang", documentLang) && ok;
    ok = readText(job, "thumbprefix", thumbPrefix) && ok;
    ok = readText(job, "pagesprefix", pagesPrefix) && ok;
    ok = readText(job, "zoomprefix", zoomPrefix) && ok;
    ok = readText(job, "zoompostfix", zoomPostfix) && ok;
    ok = readText(job, "docid", docId) && ok;
    ok = readAtoi(job, "thumbwidth", thumbWidth, false) && ok;
    ok = readFlagText(job, "importbookmarks", "true", importBookmarks) && ok;
    ok = readFlagText(job, "importpagelabels", "true", importPageLabels) && ok;
    return ok;
}

bool CreatePagesHTMLInput::readJobParams(TiXmlNode* job) {
    bool ok = readText(job, "inputfile", inputFile);
    return readText(job, "outputdir", outputDir) && ok;
}

bool CreatePagesXMLInput::readJobParams(TiXmlNode* job) {
    bool ok = readText(job, "inputfile", inputFile);
    ok = readText(job, "outputdir", outputDir) && ok;
    ok = readFlagText(job, "importlinks", "1", importLinks) && ok;
    return ok;
}

bool CreateIndexInput::readJobParams(TiXmlNode* job) {
    bool ok = readText(job, "inputfile", inputFile);
    ok = readText(job, "outputdir", outputDir) && ok;
    ok = readFlagText(job, "generatertloutput", "1", generateRtlOutput, false) && ok;
    return ok;
}

bool CreateSEOInput::readJobParams(TiXmlNode* job) {
    bool ok = readText(job, "inputfile", inputFile);
    ok = readText(job, "outputdir", outputDir) && ok;
    ok = readText(job, "title", title, Presence::RequiredMayBeEmpty) && ok;
    TiXmlElement* maxLinesElement = element(job, "maxlines");
    if (maxLinesElement == nullptr) {
        ok = fail("Job parameter 'maxlines' is missing");
    } else if (!parseLeadingInt(maxLinesElement->GetText(), maxLines)) {
        ok = fail("Job parameter 'maxlines' is not a number");
    }
    ok = readFlagText(job, "addcreatorlink", "1", addCreatorLink) && ok;
    ok = readText(job, "creatorname", creatorName) && ok;
    ok = readText(job, "creatorurl", creatorUrl) && ok;
    return ok;
}

bool RecognizeProductsInput::readJobParams(TiXmlNode* job) {
    bool ok = readText(job, "inputfile", inputFile);
    ok = readText(job, "outputdir", outputDir) && ok;
    ok = readPageRange(job, useRange, fromPage, toPage) && ok;
    ok = readFlagScanned(job, "usebinarysearch", useBinarySearch) && ok;
    ok = readExpressionList(
             job,
             [this](TiXmlElement* e, int position) {
                 ProductExpression expression;
                 bool read = readAttribute(e, position, "result", expression.result) &&
                             readRegExp(e, position, expression.regExp) &&
                             readAttribute(e, position, "description", expression.description);
                 if (read) expressions.push_back(expression);
                 return read;
             }) &&
         ok;
    return ok;
}
