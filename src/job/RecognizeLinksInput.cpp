#include "job/RecognizeLinksInput.h"

bool RecognizeLinksInput::readJobParams(TiXmlNode* job) {
    bool ok = readText(job, "inputfile", inputFile);
    ok = readText(job, "outputdir", outputDir) && ok;
    ok = readFlagText(job, "gotofirstnumberinrange", "1", gotoFirstNumberInRange, false) && ok;
    ok = readPageRange(job, useRange, fromPage, toPage) && ok;
    ok = readFlagScanned(job, "importpdflinks", importPdfLinks) && ok;
    ok = readFlagScanned(job, "usebinarysearch", useBinarySearch) && ok;
    ok = readExpressionList(
             job,
             [this](TiXmlElement* e, int position) {
                 ImportLinksExpression expression;
                 bool read = readScannedAttribute(e, position, "target", expression.target) &&
                             readScannedAttribute(e, position, "linktype", expression.linkType) &&
                             readAttribute(e, position, "result", expression.result) &&
                             readRegExp(e, position, expression.regExp) &&
                             readAttribute(e, position, "description", expression.description);
                 if (read) expressions.push_back(expression);
                 return read;
             }) &&
         ok;
    return ok;
}
