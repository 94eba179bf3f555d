#include "job/JobParameters.h"

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

const char* documentedKind(ParamKind kind) {
    switch (kind) {
        case ParamKind::Text:
            return "text";
        case ParamKind::NumberAtoi:
        case ParamKind::NumberScanned:
        case ParamKind::NumberStreamed:
            return "number";
        case ParamKind::FlagTrue:
            return "flag \"true\"";
        case ParamKind::FlagOne:
            return "flag \"1\"";
        case ParamKind::FlagScanned:
            return "flag number";
        case ParamKind::LinkExpressions:
            return "expression list";
        case ParamKind::ProductExpressions:
            return "product expression list";
    }
    return "";
}

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

bool ParamReader::fail(const std::string& message) {
    if (error_.empty()) error_ = message;
    return false;
}

void ParamReader::warn(const std::string& message) {
    warnings_.push_back(message);
}

TiXmlElement* ParamReader::element(const char* key) {
    known_.insert(key);
    return job_->FirstChildElement(key);
}

void ParamReader::checkNumber(const char* key, const char* text, const std::string& readAs) {
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

void ParamReader::checkElements(const std::string& command, const std::string* outputDir) {
    std::set<std::string> seen;
    for (TiXmlElement* e = job_->FirstChildElement(); e != nullptr; e = e->NextSiblingElement()) {
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
    if (outputDir != nullptr && !outputDir->empty() && outputDir->back() != '/') {
        warn("Job parameter 'outputdir' does not end with '/': the files are written beside " +
             quoted(*outputDir) + ", their names starting with it");
    }
}

bool ParamReader::read(const char* key, ParamKind kind, Presence presence, std::string& field) {
    (void)kind;  // text is the one kind of a string
    TiXmlElement* e = element(key);
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

bool ParamReader::read(const char* key, ParamKind kind, Presence presence, int& field) {
    const bool required = presence != Presence::Optional;
    TiXmlElement* e = element(key);
    if (e == nullptr) {
        if (required) return fail("Job parameter " + quoted(key) + " is missing");
        // atoi of nothing is 0; a scanned number keeps its default.
        if (kind == ParamKind::NumberAtoi) field = 0;
        return true;
    }
    const char* text = textOf(e);
    if (kind == ParamKind::NumberStreamed) {
        // Extracted from a stream: no leading number is a failure, not a 0.
        if (!parseLeadingInt(text, field))
            return fail("Job parameter " + quoted(key) + " is not a number");
        return true;
    }
    if (text == nullptr && required) return fail("Job parameter " + quoted(key) + " has no value");
    if (kind == ParamKind::NumberAtoi) {
        int value = 0;
        parseLeadingInt(text, value);
        field = value;
    } else {
        parseLeadingInt(text, field);
    }
    checkNumber(key, text, std::to_string(field));
    return true;
}

bool ParamReader::read(const char* key, ParamKind kind, Presence presence, bool& field) {
    TiXmlElement* e = element(key);
    if (e == nullptr) {
        if (presence != Presence::Optional)
            return fail("Job parameter " + quoted(key) + " is missing");
        field = false;
        return true;
    }
    const char* text = textOf(e);
    if (kind == ParamKind::FlagScanned) {
        int number = 0;
        parseLeadingInt(text, number);
        field = number != 0;
        checkNumber(key, text, flagReading(field));
        return true;
    }
    const char* truth = kind == ParamKind::FlagOne ? "1" : "true";
    const char* falsity = kind == ParamKind::FlagOne ? "0" : "false";
    field = text != nullptr && std::strcmp(text, truth) == 0;
    if (!field && (text == nullptr || std::strcmp(text, falsity) != 0)) {
        warn("Job parameter " + quoted(key) + " is " + quoted(text != nullptr ? text : "") +
             ": only " + quoted(truth) + " turns it on, so it is " + flagReading(field));
    }
    return true;
}

template <typename Expression, typename ReadFields>
bool ParamReader::readExpressionList(const char* key, std::vector<Expression>& field,
                                     ReadFields readFields) {
    TiXmlElement* list = element(key);
    if (list == nullptr) return true;
    int position = 1;
    for (TiXmlElement* e = list->FirstChildElement(); e != nullptr;
         e = e->NextSiblingElement(), ++position) {
        Expression expression;
        if (!readFields(e, position, expression)) return false;
        field.push_back(expression);
    }
    return true;
}

bool ParamReader::read(const char* key, ParamKind, Presence,
                       std::vector<ImportLinksExpression>& field) {
    return readExpressionList(key, field, [&](TiXmlElement* e, int at, auto& expression) {
        return readScannedAttribute(e, at, "target", expression.target) &&
               readScannedAttribute(e, at, "linktype", expression.linkType) &&
               readAttribute(e, at, "result", expression.result) &&
               readRegExp(e, at, expression.regExp) &&
               readAttribute(e, at, "description", expression.description);
    });
}

bool ParamReader::read(const char* key, ParamKind, Presence,
                       std::vector<ProductExpression>& field) {
    return readExpressionList(key, field, [&](TiXmlElement* e, int at, auto& expression) {
        return readAttribute(e, at, "result", expression.result) &&
               readRegExp(e, at, expression.regExp) &&
               readAttribute(e, at, "description", expression.description);
    });
}

bool ParamReader::readAttribute(TiXmlElement* expression, int position, const char* name,
                                std::string& field) {
    const char* value = expression->Attribute(name);
    if (value == nullptr) {
        return fail("Expression " + std::to_string(position) + " has no attribute " + quoted(name));
    }
    field = value;
    return true;
}

bool ParamReader::readScannedAttribute(TiXmlElement* expression, int position, const char* name,
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

bool ParamReader::readRegExp(TiXmlElement* expression, int position, std::string& field) {
    TiXmlElement* regexp = expression->FirstChildElement("regexp");
    if (regexp == nullptr) {
        return fail("Expression " + std::to_string(position) + " has no 'regexp' element");
    }
    // An empty expression is allowed: it ends the list of those searched.
    const char* text = regexp->GetText();
    field = text != nullptr ? text : "";
    return true;
}
