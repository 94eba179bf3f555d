// Parsing of job parameters: value kinds, whitespace, first occurrence,
// required values and expression lists.
#include <gtest/gtest.h>
#include <tinyxml.h>

#include <memory>

#include "job/JobTable.h"

namespace {

// Parses a job document the way the program loads one (whitespace condensing
// on) and lets record read from its "job" element.
class ParsedJob {
  public:
    explicit ParsedJob(const std::string& body) {
        std::string xml = "<job name=\"x\">" + body + "</job>";
        document_.Parse(xml.c_str());
        EXPECT_FALSE(document_.Error()) << document_.ErrorDesc();
    }
    TiXmlNode* job() { return document_.FirstChild("job"); }

  private:
    TiXmlDocument document_;
};

// The parameters a job's table reads from body.
template <typename P, std::size_t N>
P read(const Param<P> (&table)[N], const std::string& body) {
    ParsedJob parsed(body);
    ParamReader reader(parsed.job());
    P params;
    EXPECT_TRUE(readParams(reader, table, params)) << reader.error();
    return params;
}

// Why the job's table refuses parsed.
template <typename P, std::size_t N>
std::string failure(const Param<P> (&table)[N], ParsedJob& parsed) {
    ParamReader reader(parsed.job());
    P params;
    EXPECT_FALSE(readParams(reader, table, params));
    return reader.error();
}

const char* kImagesBase =
    "<inputfile>in.pdf</inputfile><outputdir>out/</outputdir><prefix>p</prefix>"
    "<quality>80</quality><resolution>150</resolution><headerresolution>150</headerresolution>";

const char* kDocumentBase =
    "<inputfile>in.pdf</inputfile><outputdir>out/</outputdir><version>1</version>"
    "<documentlang>en</documentlang><thumbprefix>t</thumbprefix><pagesprefix>p</pagesprefix>"
    "<zoomprefix>z</zoomprefix><zoompostfix>swf</zoompostfix><docid>d</docid>";

const char* kLinksBase =
    "<inputfile>in.pdf</inputfile><outputdir>out/</outputdir><importpdflinks>0</importpdflinks>"
    "<usebinarysearch>0</usebinarysearch>";

std::string expression(const std::string& tag, const std::string& regexp, int target = 1,
                       int linkType = 0) {
    return "<" + tag + " target=\"" + std::to_string(target) + "\" linktype=\"" +
           std::to_string(linkType) + "\" result=\"http://$regresult\" description=\"d\"><regexp>" +
           regexp + "</regexp></" + tag + ">";
}

TEST(NumberAtoi, ReadsLeadingDigitsAndGivesZeroWithout) {
    auto record = read(kCreateImagesParams, std::string(kImagesBase) + "<width> 150px</width>");
    EXPECT_EQ(150, record.width);
    record = read(kCreateImagesParams, std::string(kImagesBase) + "<width>wide</width>");
    EXPECT_EQ(0, record.width);
    record = read(kCreateImagesParams, std::string(kImagesBase) + "<height>-20</height>");
    EXPECT_EQ(-20, record.height);
}

TEST(NumberAtoi, AbsentOptionalWidthAndHeightGiveZero) {
    auto record = read(kCreateImagesParams, kImagesBase);
    EXPECT_EQ(0, record.width);
    EXPECT_EQ(0, record.height);
    EXPECT_EQ(150, record.resolution);
    EXPECT_EQ(80, record.quality);
    EXPECT_EQ("p", record.prefix);
    EXPECT_EQ("out/", record.outputDir);
    EXPECT_EQ("in.pdf", record.inputFile);
}

TEST(NumberAtoi, HugeValuesAreClampedInsteadOfOverflowing) {
    auto record =
        read(kCreateImagesParams, std::string(kImagesBase) + "<width>99999999999</width>");
    EXPECT_EQ(2147483647, record.width);
}

TEST(FlagTrue, OnlyTheExactLowerCaseWordIsTrue) {
    for (const char* text : {"True", "1", "TRUE", "yes"}) {
        auto record =
            read(kCreateDocumentXmlParams, std::string(kDocumentBase) + "<importbookmarks>" + text +
                                               "</importbookmarks><importpagelabels>true"
                                               "</importpagelabels>");
        EXPECT_FALSE(record.importBookmarks) << text;
        EXPECT_TRUE(record.importPageLabels);
    }
}

TEST(FlagOne, SurroundingWhitespaceIsDroppedBeforeComparing) {
    auto record = read(
        kCreatePagesXmlParams,
        "<inputfile>a.pdf</inputfile><outputdir>o/</outputdir><importlinks>  1 \n</importlinks>");
    EXPECT_TRUE(record.importLinks);
    record = read(
        kCreatePagesXmlParams,
        "<inputfile>a.pdf</inputfile><outputdir>o/</outputdir><importlinks>true</importlinks>");
    EXPECT_FALSE(record.importLinks);
    record =
        read(kCreatePagesXmlParams,
             "<inputfile>a.pdf</inputfile><outputdir>o/</outputdir><importlinks></importlinks>");
    EXPECT_FALSE(record.importLinks);
}

TEST(FlagOne, OptionalFlagAbsentIsFalse) {
    auto record = read(kCreateIndexParams, "<inputfile>a.pdf</inputfile><outputdir>o/</outputdir>");
    EXPECT_FALSE(record.generateRtlOutput);
    record = read(kCreateIndexParams,
                  "<inputfile>a.pdf</inputfile><outputdir>o/</outputdir><generatertloutput>1"
                  "</generatertloutput>");
    EXPECT_TRUE(record.generateRtlOutput);
}

TEST(FlagScanned, AnyNonZeroNumberIsTrueAndWordsAreFalse) {
    auto links = [](const std::string& value) {
        return read(kRecognizeLinksParams,
                    "<inputfile>in.pdf</inputfile><outputdir>out/</outputdir><userange>0</userange>"
                    "<importpdflinks>" +
                        value + "</importpdflinks><usebinarysearch>0</usebinarysearch>");
    };
    EXPECT_TRUE(links("2").importPdfLinks);
    EXPECT_TRUE(links("1").importPdfLinks);
    EXPECT_FALSE(links("0").importPdfLinks);
    EXPECT_FALSE(links("true").importPdfLinks);
}

TEST(NumberScanned, PageRangeIsReadOnlyWhenRangeIsUsed) {
    auto record = read(kRecognizeLinksParams, std::string(kLinksBase) +
                                                  "<userange>0</userange><frompage>5</frompage>"
                                                  "<topage>9</topage>");
    EXPECT_EQ(0, record.useRange);
    EXPECT_EQ(1, record.fromPage);
    EXPECT_EQ(1, record.toPage);
    record = read(kRecognizeLinksParams, std::string(kLinksBase) +
                                             "<userange>1</userange><frompage>5</frompage>"
                                             "<topage>9</topage>");
    EXPECT_EQ(1, record.useRange);
    EXPECT_EQ(5, record.fromPage);
    EXPECT_EQ(9, record.toPage);
}

TEST(NumberScanned, TextWithoutNumberKeepsTheDefault) {
    auto record =
        read(kImportProductsParams,
             "<inputfile>in.pdf</inputfile><outputdir>out/</outputdir><userange>1</userange>"
             "<frompage>first</frompage><topage>7</topage><usebinarysearch>0</usebinarysearch>");
    EXPECT_EQ(1, record.fromPage);
    EXPECT_EQ(7, record.toPage);
}

TEST(JobText, FirstOccurrenceOfAKeyCounts) {
    auto record = read(kGetPagesCountParams,
                       "<inputfile>first.pdf</inputfile>"
                       "<inputfile>second.pdf</inputfile>");
    EXPECT_EQ("first.pdf", record.inputFile);
}

TEST(JobText, InnerWhitespaceIsCondensedAndEntitiesDecoded) {
    auto record = read(kGetPagesCountParams, "<inputfile>  my   file &amp; more.pdf </inputfile>");
    EXPECT_EQ("my file & more.pdf", record.inputFile);
}

TEST(JobText, UnknownElementsAreIgnoredAndOrderIsFree) {
    auto record =
        read(kCreatePagesHtmlParams,
             "<colour>blue</colour><outputdir>o/</outputdir><inputfile>a.pdf</inputfile>");
    EXPECT_EQ("a.pdf", record.inputFile);
    EXPECT_EQ("o/", record.outputDir);
}

TEST(RequiredParameters, MissingOnesAreNamedInOneLine) {
    ParsedJob parsed(
        "<inputfile>in.pdf</inputfile><outputdir>out/</outputdir><prefix>p</prefix>"
        "<resolution>150</resolution><headerresolution>150</headerresolution>");
    EXPECT_EQ("Job parameter 'quality' is missing", failure(kCreateImagesParams, parsed));
}

TEST(RequiredParameters, NumberWithoutTextIsRefused) {
    ParsedJob parsed(
        "<inputfile>in.pdf</inputfile><outputdir>out/</outputdir><prefix>p</prefix>"
        "<quality>  </quality><resolution>150</resolution>"
        "<headerresolution>150</headerresolution>");
    EXPECT_EQ("Job parameter 'quality' has no value", failure(kCreateImagesParams, parsed));
}

TEST(RequiredParameters, EveryRecordNamesItsFirstMissingKey) {
    ParsedJob empty("");
    EXPECT_EQ("Job parameter 'inputfile' is missing", failure(kGetPagesCountParams, empty));
    EXPECT_EQ("Job parameter 'inputfile' is missing", failure(kCreateDocumentXmlParams, empty));
    failure(kCreateSeoTextParams, empty);
    failure(kRecognizeLinksParams, empty);
}

TEST(SeoParameters, EmptyTitleIsKeptAndMaxLinesMustBeANumber) {
    const std::string base =
        "<inputfile>a.pdf</inputfile><outputdir>o/</outputdir><title/>"
        "<addcreatorlink>1</addcreatorlink><creatorname>Me</creatorname>"
        "<creatorurl>http://me</creatorurl>";
    auto record = read(kCreateSeoTextParams, base + "<maxlines> -3</maxlines>");
    EXPECT_EQ("", record.title);
    EXPECT_EQ(-3, record.maxLines);
    EXPECT_TRUE(record.addCreatorLink);
    EXPECT_EQ("Me", record.creatorName);

    ParsedJob parsed(base + "<maxlines>many</maxlines>");
    EXPECT_EQ("Job parameter 'maxlines' is not a number", failure(kCreateSeoTextParams, parsed));
}

TEST(ExpressionList, EveryChildElementIsOneExpressionInDocumentOrder) {
    auto record = read(kRecognizeLinksParams,
                       std::string(kLinksBase) + "<userange>0</userange><expresions>text" +
                           expression("expression", "www\\.[a-z]+\\.com", 3, 0) + " more text " +
                           expression("other", "page \\d+", 0, 2) +
                           expression("x", "[A-Z]{2}-\\d+", 7, 1) + "</expresions>");
    const auto& list = record.expressions;
    ASSERT_EQ(3u, list.size());
    EXPECT_EQ("www\\.[a-z]+\\.com", list[0].regExp);
    EXPECT_EQ(3, list[0].target);
    EXPECT_EQ(0, list[0].linkType);
    EXPECT_EQ("http://$regresult", list[0].result);
    EXPECT_EQ("d", list[0].description);
    EXPECT_EQ("page \\d+", list[1].regExp);
    EXPECT_EQ(2, list[1].linkType);
    EXPECT_EQ(7, list[2].target);
}

TEST(ExpressionList, AbsentOrEmptyListGivesNoExpressions) {
    EXPECT_TRUE(read(kRecognizeLinksParams, std::string(kLinksBase) + "<userange>0</userange>")
                    .expressions.empty());
    EXPECT_TRUE(
        read(kRecognizeLinksParams, std::string(kLinksBase) + "<userange>0</userange><expresions/>")
            .expressions.empty());
}

TEST(ExpressionList, RegExpWithDoubleSpacesArrivesWithOne) {
    auto record =
        read(kRecognizeLinksParams, std::string(kLinksBase) + "<userange>0</userange><expresions>" +
                                        expression("e", "see  page") + "</expresions>");
    ASSERT_EQ(1u, record.expressions.size());
    EXPECT_EQ("see page", record.expressions[0].regExp);
}

TEST(ExpressionList, AttributesKeepTheirWhitespace) {
    auto record =
        read(kRecognizeLinksParams,
             std::string(kLinksBase) +
                 "<userange>0</userange><expresions><e target=\"1\" linktype=\"0\" "
                 "result=\"a  b\" description=\" d \"><regexp>x</regexp></e></expresions>");
    ASSERT_EQ(1u, record.expressions.size());
    EXPECT_EQ("a  b", record.expressions[0].result);
    EXPECT_EQ(" d ", record.expressions[0].description);
}

TEST(ExpressionList, IncompleteExpressionIsRefusedWithItsPosition) {
    ParsedJob parsed(std::string(kLinksBase) + "<userange>0</userange><expresions>" +
                     expression("e", "a") +
                     "<e target=\"1\" result=\"r\" description=\"d\"><regexp>b</regexp></e>"
                     "</expresions>");
    EXPECT_EQ("Expression 2 has no attribute 'linktype'", failure(kRecognizeLinksParams, parsed));

    ParsedJob notNumber(std::string(kLinksBase) +
                        "<userange>0</userange><expresions>"
                        "<e target=\"first\" linktype=\"0\" result=\"r\" description=\"d\">"
                        "<regexp>b</regexp></e></expresions>");
    EXPECT_EQ("Expression 1: attribute 'target' is not a number",
              failure(kRecognizeLinksParams, notNumber));

    ParsedJob noRegExp(std::string(kLinksBase) +
                       "<userange>0</userange><expresions>"
                       "<e target=\"1\" linktype=\"0\" result=\"r\" description=\"d\"/>"
                       "</expresions>");
    EXPECT_EQ("Expression 1 has no 'regexp' element", failure(kRecognizeLinksParams, noRegExp));
}

TEST(ExpressionList, EmptyRegExpIsKeptAsAnEmptyExpression) {
    auto record = read(kRecognizeLinksParams,
                       std::string(kLinksBase) + "<userange>0</userange><expresions>" +
                           expression("e", "a") + expression("e", "") + "</expresions>");
    ASSERT_EQ(2u, record.expressions.size());
    EXPECT_EQ("", record.expressions[1].regExp);
}

TEST(ExpressionList, ProductExpressionsCarryResultRegExpAndDescription) {
    auto record =
        read(kImportProductsParams,
             "<inputfile>in.pdf</inputfile><outputdir>out/</outputdir><userange>0</userange>"
             "<usebinarysearch>1</usebinarysearch><expresions>"
             "<product result=\"shop/$regresult\" description=\"codes\"><regexp>QX-\\d+</regexp>"
             "</product></expresions>");
    ASSERT_EQ(1u, record.expressions.size());
    EXPECT_EQ("shop/$regresult", record.expressions[0].result);
    EXPECT_EQ("QX-\\d+", record.expressions[0].regExp);
    EXPECT_EQ("codes", record.expressions[0].description);
    EXPECT_TRUE(record.useBinarySearch);
}

TEST(LinkParameters, GotoFirstNumberInRangeIsAnOptionalFlagOne) {
    auto record = read(kRecognizeLinksParams, std::string(kLinksBase) + "<userange>0</userange>");
    EXPECT_FALSE(record.gotoFirstNumberInRange);
    record = read(kRecognizeLinksParams, std::string(kLinksBase) +
                                             "<userange>0</userange><gotofirstnumberinrange>1"
                                             "</gotofirstnumberinrange>");
    EXPECT_TRUE(record.gotoFirstNumberInRange);
}

}  // namespace
