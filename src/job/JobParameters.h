// JobParameters — how the parameters of a job are declared and read from the job file.
//
// A job file is an XML document whose element "job" names the command in its attribute "name"
// and carries each parameter as a child element whose text is the value:
//
//     <job name="createimages">
//         <inputfile>/data/in.pdf</inputfile>
//         <outputdir>/data/out/</outputdir>
//         <prefix>page</prefix> <quality>80</quality>
//         <resolution>150</resolution> <headerresolution>150</headerresolution>
//     </job>
//
// Each job declares its parameters once, as an array of Param<P> over the struct P its
// operation receives (JobTable.h): key, kind, presence, the default docs/jobs.md states, and
// the member of P that takes the value. readParams fills P from the "job" element in the order
// of the declaration; --help, the reference in docs/jobs.md (checked by a test) and the
// diagnostics below all come from the same declaration.
//
// Text arrives as TinyXML delivers it with its default whitespace condensing: leading and
// trailing whitespace dropped, inner runs made one space. The first element of a name counts;
// unknown elements are ignored. Value kinds:
//   - text: copied as it is;
//   - number (atoi): read as atoi reads it ("12abc" is 12, "abc" is 0); absent and optional: 0;
//   - number (%d): scanned with "%d"; without a leading number the field keeps its default;
//   - number (streamed): must start with a number, else the job fails ("... is not a number");
//   - flag "true" / flag "1": true exactly for that text; absent and optional: false;
//   - flag (%d): scanned with "%d" from 0; true when not 0 ("2" is true, "true" is false);
//   - link / product expression list: every child element of the parameter is one expression.
//
// A required parameter must be present and have text (RequiredMayBeEmpty: present). When one is
// missing or empty, readParams returns false and error() says which, in one line; every
// parameter is still read, so the warnings are complete.
//
// What does not stop a job but is most likely a mistake is collected in warnings(), one line
// each, for the operator: an element that is no parameter of the command (with the nearest
// parameter's name when one is close: a misspelt "expressions" for "expresions"), an element
// given twice, a number that is not a whole number, a flag that is neither of its two forms, an
// output directory that does not end with a path separator (and what a job's own check adds,
// such as a JPEG quality outside 1 to 100). The values read are the same either way.
//
// Ownership: the reader keeps copies of the messages; P copies every value. Nothing is thrown.
#pragma once

#include <tinyxml.h>

#include <cstddef>
#include <set>
#include <string>
#include <variant>
#include <vector>

#include "recognition/Expressions.h"

enum class ParamKind {
    Text,
    NumberAtoi,
    NumberScanned,
    NumberStreamed,
    FlagTrue,
    FlagOne,
    FlagScanned,
    LinkExpressions,
    ProductExpressions,
};

enum class Presence { Optional, Required, RequiredMayBeEmpty };

// How docs/jobs.md names a kind ("number", "flag \"true\"", ...).
const char* documentedKind(ParamKind kind);

// A parameter as --help and the reference show it, whatever job it belongs to.
struct ParamInfo {
    const char* key;
    ParamKind kind;
    Presence presence;
    // What docs/jobs.md's "Default" column says; empty when it says nothing.
    const char* documentedDefault;
};

// One parameter of the job whose operation receives a P.
template <typename P>
struct Param {
    const char* key;
    ParamKind kind;
    Presence presence;
    const char* documentedDefault;
    std::variant<std::string P::*, int P::*, bool P::*, std::vector<ImportLinksExpression> P::*,
                 std::vector<ProductExpression> P::*>
        field;
    // When set, the parameter is read only when this number of P is not 0 (it stays a known
    // parameter either way).
    int P::*readOnlyWhen = nullptr;

    ParamInfo info() const { return {key, kind, presence, documentedDefault}; }
};

// Reads single parameters from one "job" element and collects what it finds wrong.
class ParamReader {
  public:
    // REQUIRES: job is the "job" element of a loaded job file and outlives the reader.
    explicit ParamReader(TiXmlNode* job) : job_(job) {}

    // Each reads key as kind into field and returns false, recording the first error, when a
    // required value is absent (or a value that must be read is unreadable).
    bool read(const char* key, ParamKind kind, Presence presence, std::string& field);
    bool read(const char* key, ParamKind kind, Presence presence, int& field);
    bool read(const char* key, ParamKind kind, Presence presence, bool& field);
    bool read(const char* key, ParamKind kind, Presence presence,
              std::vector<ImportLinksExpression>& field);
    bool read(const char* key, ParamKind kind, Presence presence,
              std::vector<ProductExpression>& field);
    // Makes key a parameter of the job without reading it.
    void know(const char* key) { known_.insert(key); }

    // Adds the warnings about the job's elements as a whole: those that are no parameter
    // (read or known), names given twice, an output directory without its trailing separator.
    // REQUIRES: every parameter was read or known; command names the job's command.
    void checkElements(const std::string& command, const std::string* outputDir);

    bool fail(const std::string& message);
    void warn(const std::string& message);
    // Why reading failed; empty when it did not.
    const std::string& error() const { return error_; }
    const std::vector<std::string>& warnings() const { return warnings_; }

  private:
    // The first element named key, which becomes a parameter of the job.
    TiXmlElement* element(const char* key);
    // Warns when text is not one whole number.
    void checkNumber(const char* key, const char* text, const std::string& readAs);
    // Appends to field one Expression per child element of the list, in document order,
    // each filled by readFields(element, oneBasedPosition, expression); stops at the first
    // false.
    template <typename Expression, typename ReadFields>
    bool readExpressionList(const char* key, std::vector<Expression>& field, ReadFields readFields);
    bool readAttribute(TiXmlElement* expression, int position, const char* name,
                       std::string& field);
    bool readScannedAttribute(TiXmlElement* expression, int position, const char* name, int& field);
    bool readRegExp(TiXmlElement* expression, int position, std::string& field);

    TiXmlNode* job_;
    std::string error_;
    std::vector<std::string> warnings_;
    std::set<std::string> known_;
};

// Fills params from reader's job element, one declared parameter after the other.
template <typename P, std::size_t N>
bool readParams(ParamReader& reader, const Param<P> (&declared)[N], P& params) {
    bool ok = true;
    for (const Param<P>& param : declared) {
        if (param.readOnlyWhen != nullptr && params.*(param.readOnlyWhen) == 0) {
            reader.know(param.key);
            continue;
        }
        ok = std::visit(
                 [&](auto member) {
                     return reader.read(param.key, param.kind, param.presence, params.*member);
                 },
                 param.field) &&
             ok;
    }
    return ok;
}

// The value of the text parameter key of params, or nullptr when P has none.
template <typename P, std::size_t N>
const std::string* textParam(const Param<P> (&declared)[N], const P& params, const char* key) {
    for (const Param<P>& param : declared) {
        auto member = std::get_if<std::string P::*>(&param.field);
        if (member != nullptr && std::string(param.key) == key) return &(params.**member);
    }
    return nullptr;
}

// Reads the leading decimal integer of text the way "%d" scans it (leading whitespace, an
// optional sign, digits), clamping values beyond int. Returns false, leaving value unchanged,
// when text does not start with a number.
bool parseLeadingInt(const char* text, int& value);
