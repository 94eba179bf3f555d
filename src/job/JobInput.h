// JobInput — the parameter records of the jobs, read from the job file.
//
// A job file is an XML document whose element "job" names the command in its
// attribute "name" and carries each parameter as a child element whose text
// is the value:
//
//     <job name="createimages">
//         <inputfile>/data/in.pdf</inputfile>
//         <outputdir>/data/out/</outputdir>
//         <prefix>page</prefix> <quality>80</quality>
//         <resolution>150</resolution> <headerresolution>150</headerresolution>
//     </job>
//
// Text arrives as TinyXML delivers it with its default whitespace condensing:
// leading and trailing whitespace dropped, inner runs made one space. The
// first element of a name counts; unknown elements are ignored. Value kinds:
//   - text: copied as it is;
//   - number (atoi): read as atoi reads it ("12abc" is 12, "abc" is 0);
//   - number (%d): scanned with "%d"; without a leading number the field
//     keeps its default;
//   - flag "true" / flag "1": true exactly for that text;
//   - flag (%d): scanned with "%d" from 0; true when not 0 ("2" is true,
//     "true" is false).
//
// Each record starts from its defaults and readJobParams fills it from the
// "job" node. A required parameter must be present and have text (only the
// SEO title may be empty). When one is missing or empty, readJobParams
// returns false and error() says which, in one line.
//
// What does not stop a job but is most likely a mistake is collected in
// warnings(), one line each, for the operator: an element that is no
// parameter of the command (with the nearest parameter's name when one is
// close: a misspelt "expressions" for "expresions"), an element given twice,
// a number that is not a whole number, a flag that is neither of its two
// forms, a JPEG quality outside 1 to 100, an output directory that does not
// end with a path separator. The values read are the same either way.
//
// Ownership: records are plain data owned by Job; they copy every value they
// keep. Nothing is thrown.
#pragma once

#include <tinyxml.h>

#include <set>
#include <string>
#include <vector>

#include "recognition/Expressions.h"

class JobInput {
  public:
    virtual ~JobInput() = default;

    // REQUIRES: job is the "job" element of a loaded job file.
    virtual bool readJobParams(TiXmlNode* job) = 0;

    std::string getInputFile() const { return inputFile; }
    std::string getOutputDir() const { return outputDir; }
    // Why readJobParams returned false; empty when it did not.
    const std::string& error() const { return error_; }

    // Adds the warnings about the job's elements as a whole: those no
    // reader of this record asked for, and names given twice.
    // REQUIRES: readJobParams(job) ran; command names the job's command.
    void checkElements(TiXmlNode* job, const std::string& command);
    const std::vector<std::string>& warnings() const { return warnings_; }

  protected:
    enum class Presence { Optional, Required, RequiredMayBeEmpty };
    // Each reader returns false, and records the first error, when a
    // required value is absent.
    bool readText(TiXmlNode* job, const char* key, std::string& field,
                  Presence presence = Presence::Required);
    bool readAtoi(TiXmlNode* job, const char* key, int& field, bool required = true);
    bool readScanned(TiXmlNode* job, const char* key, int& field, bool required = true);
    bool readFlagText(TiXmlNode* job, const char* key, const char* truth, bool& field,
                      bool required = true);
    bool readFlagScanned(TiXmlNode* job, const char* key, bool& field, bool required = true);
    bool fail(const std::string& message);
    void warn(const std::string& message);
    // "userange" (number %d, required), then "frompage" and "topage"
    // (number %d, optional) only when the range is used.
    bool readPageRange(TiXmlNode* job, int& useRange, int& fromPage, int& toPage);
    // Hands each child element of "expresions", in document order, to
    // readOne(element, oneBasedPosition); stops at the first false.
    template <typename ReadOne>
    bool readExpressionList(TiXmlNode* job, ReadOne readOne);
    // Attribute and "regexp" readers of one expression element.
    bool readAttribute(TiXmlElement* expression, int position, const char* name,
                       std::string& field);
    bool readScannedAttribute(TiXmlElement* expression, int position, const char* name, int& field);
    bool readRegExp(TiXmlElement* expression, int position, std::string& field);

    std::string inputFile;
    std::string outputDir;

    // The first element named key, which becomes a parameter of the record.
    TiXmlElement* element(TiXmlNode* job, const char* key);

  private:
    // Warns when text is not one whole number.
    void checkNumber(const char* key, const char* text, const std::string& readAs);

    std::string error_;
    std::vector<std::string> warnings_;
    std::set<std::string> known_;
};

class GetPagesCountInput : public JobInput {
  public:
    bool readJobParams(TiXmlNode* job) override;
};

class CreateImagesInput : public JobInput {
  public:
    bool readJobParams(TiXmlNode* job) override;

    int getResolution() const { return resolution; }
    int getQuality() const { return quality; }
    int getWidth() const { return width; }
    int getHeight() const { return height; }
    int getHeaderResolution() const { return headerResolution; }
    std::string getPrefix() const { return prefix; }

  private:
    int resolution = 72;
    int quality = 80;
    int width = -1;
    int height = -1;
    int headerResolution = 72;
    std::string prefix;
};

class CreateDocumentXMLInput : public JobInput {
  public:
    bool readJobParams(TiXmlNode* job) override;

    std::string getThumbPrefix() const { return thumbPrefix; }
    std::string getPagesPrefix() const { return pagesPrefix; }
    std::string getZoomPrefix() const { return zoomPrefix; }
    std::string getZoomPostfix() const { return zoomPostfix; }
    std::string getVersion() const { return version; }
    std::string getDocId() const { return docId; }
    bool getImportPageLabels() const { return importPageLabels; }
    bool getImportBookmarks() const { return importBookmarks; }
    int getThumbWidth() const { return thumbWidth; }

  private:
    std::string thumbPrefix;
    std::string pagesPrefix;
    std::string zoomPrefix;
    std::string zoomPostfix;
    std::string version;
    std::string documentLang;
    std::string docId;
    bool importPageLabels = false;
    bool importBookmarks = false;
    int thumbWidth = 0;
};

class CreatePagesHTMLInput : public JobInput {
  public:
    bool readJobParams(TiXmlNode* job) override;
};

class CreatePagesXMLInput : public JobInput {
  public:
    bool readJobParams(TiXmlNode* job) override;

    bool getImportLinks() const { return importLinks; }

  private:
    bool importLinks = true;
};

class CreateIndexInput : public JobInput {
  public:
    bool readJobParams(TiXmlNode* job) override;

    bool getGenerateRtlOutput() const { return generateRtlOutput; }

  private:
    bool generateRtlOutput = false;
};

class CreateSEOInput : public JobInput {
  public:
    bool readJobParams(TiXmlNode* job) override;

    std::string getTitle() const { return title; }
    std::string getCreatorName() const { return creatorName; }
    std::string getCreatorUrl() const { return creatorUrl; }
    bool getAddCreatorLink() const { return addCreatorLink; }
    int getMaxLines() const { return maxLines; }

  private:
    std::string title;
    std::string creatorName;
    std::string creatorUrl;
    bool addCreatorLink = false;
    int maxLines = 0;
};

class RecognizeProductsInput : public JobInput {
  public:
    bool readJobParams(TiXmlNode* job) override;

    int getUseRange() const { return useRange; }
    int getFromPage() const { return fromPage; }
    int getToPage() const { return toPage; }
    bool getUseBinarySearch() const { return useBinarySearch; }
    const std::vector<ProductExpression>& getExpressions() const { return expressions; }

  private:
    int useRange = 0;
    int fromPage = 1;
    int toPage = 1;
    bool useBinarySearch = false;
    std::vector<ProductExpression> expressions;
};

template <typename ReadOne>
bool JobInput::readExpressionList(TiXmlNode* job, ReadOne readOne) {
    TiXmlElement* list = element(job, "expresions");
    if (list == nullptr) return true;
    int position = 1;
    for (TiXmlElement* e = list->FirstChildElement(); e != nullptr;
         e = e->NextSiblingElement(), ++position) {
        if (!readOne(e, position)) return false;
    }
    return true;
}

// Reads the leading decimal integer of text the way "%d" scans it (leading
// whitespace, an optional sign, digits), clamping values beyond int. Returns
// false, leaving value unchanged, when text does not start with a number.
bool parseLeadingInt(const char* text, int& value);
