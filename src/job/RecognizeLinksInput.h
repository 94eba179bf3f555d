// RecognizeLinksInput — the parameters of "recognizelinks".
//
// Keys (see JobInput.h for the value kinds), read in this order:
//   "inputfile", "outputdir"   text, required
//   "gotofirstnumberinrange"   flag "1", optional
//   "userange"                 number (%d), required
//   "frompage", "topage"       number (%d), read only when userange is not 0
//   "importpdflinks"           flag (%d), required
//   "usebinarysearch"          flag (%d), required
//   "expresions"               optional list; every child element, whatever
//                              its name, is one expression:
//       <expression target="1" linktype="0" result="http://$regresult"
//                   description="..."><regexp>www\.[a-z]+\.com</regexp></expression>
//     with the attributes "target" and "linktype" (numbers, %d), "result" and
//     "description", and the child "regexp", all required; a "regexp"
//     without text is an empty expression, which ends the list searched.
#pragma once

#include <vector>

#include "job/JobInput.h"
#include "recognition/Expressions.h"

class RecognizeLinksInput : public JobInput {
  public:
    bool readJobParams(TiXmlNode* job) override;

    int getUseRange() const { return useRange; }
    int getFromPage() const { return fromPage; }
    int getToPage() const { return toPage; }
    bool getImportPdfLinks() const { return importPdfLinks; }
    bool getUseBinarySearch() const { return useBinarySearch; }
    bool getGotoFirstNumberInRange() const { return gotoFirstNumberInRange; }
    const std::vector<ImportLinksExpression>& getExpressions() const { return expressions; }

  private:
    int useRange = 0;
    int fromPage = 1;
    int toPage = 1;
    bool importPdfLinks = false;
    bool useBinarySearch = false;
    bool gotoFirstNumberInRange = false;
    std::vector<ImportLinksExpression> expressions;
};
