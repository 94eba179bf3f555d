#include "job/JobInput.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace {

const char* textOf(TiXmlElement* element) {
    return element->GetText();
}

std::string quoted(const char* key) {
    return std::string("'") + key + "'";
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

bool JobInput::readText(TiXmlNode* job, const char* key, std::string& field, bool required) {
    TiXmlElement* element = job->FirstChildElement(key);
    if (element == nullptr) {
        if (required) return fail("Job parameter " + quoted(key) + " is missing");
        field.clear();
        return true;
    }
    const char* text = textOf(element);
    field = text != nullptr ? text : "";
    return true;
}

bool JobInput::readAtoi(TiXmlNode* job, const char* key, int& field, bool required) {
    TiXmlElement* element = job->FirstChildElement(key);
    if (element == nullptr) {
        if (required) return fail("Job parameter " + quoted(key) + " is missing");
        field = 0;
        return true;
    }
    const char* text = textOf(element);
    if (text == nullptr && required) return fail("Job parameter " + quoted(key) + " has no value");
    int value = 0;
    parseLeadingInt(text, value);
    field = value;
    return true;
}

bool JobInput::readScanned(TiXmlNode* job, const char* key, int& field, bool required) {
    TiXmlElement* element = job->FirstChildElement(key);
    if (element == nullptr) {
        return required ? fail("Job parameter " + quoted(key) + " is missing") : true;
    }
    const char* text = textOf(element);
    if (text == nullptr && required) return fail("Job parameter " + quoted(key) + " has no value");
    parseLeadingInt(text, field);
    return true;
}

bool JobInput::readFlagText(TiXmlNode* job, const char* key, const char* truth, bool& field,
                            bool required) {
    TiXmlElement* element = job->FirstChildElement(key);
    if (element == nullptr) {
        if (required) return fail("Job parameter " + quoted(key) + " is missing");
        field = false;
        return true;
    }
    const char* text = textOf(element);
    field = text != nullptr && std::strcmp(text, truth) == 0;
    return true;
}

bool JobInput::readFlagScanned(TiXmlNode* job, const char* key, bool& field, bool required) {
    TiXmlElement* element = job->FirstChildElement(key);
    if (element == nullptr) {
        if (required) return fail("Job parameter " + quoted(key) + " is missing");
        field = false;
        return true;
    }
    int number = 0;
    parseLeadingInt(textOf(element), number);
    field = number != 0;
    return true;
}

bool JobInput::readPageRange(TiXmlNode* job, int& useRange, int& fromPage, int& toPage) {
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
    ok = readText(job, "title", title) && ok;
    TiXmlElement* maxLinesElement = job->FirstChildElement("maxlines");
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
