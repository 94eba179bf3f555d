// Parsing of job parameters: value kinds, whitespace, first occurrence,
// required values and expression lists.
#include <gtest/gtest.h>
#include <tinyxml.h>

#include <memory>

#include "job/JobInput.h"
#include "job/RecognizeLinksInput.h"

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

template <typename Record>
Record read(const std::string& body, bool expectOk = true) {
    ParsedJob parsed(body);
    Record record;
    EXPECT_EQ(expectOk, record.readJobParams(parsed.job())) << record.error();
    return record;
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
    auto record = read<CreateImagesInput>(std::string(kImagesBase) + "<width> 150px</width>");
    EXPECT_EQ(150, record.getWidth());
    record = read<CreateImagesInput>(std::string(kImagesBase) + "<width>wide</width>");
    EXPECT_EQ(0, record.getWidth());
    record = read<CreateImagesInput>(std::string(kImagesBase) + "<height>-20</height>");
    EXPECT_EQ(-20, record.getHeight());
}

TEST(NumberAtoi, AbsentOptionalWidthAndHeightGiveZero) {
    auto record = read<CreateImagesInput>(kImagesBase);
    EXPECT_EQ(0, record.getWidth());
    EXPECT_EQ(0, record.getHeight());
    EXPECT_EQ(150, record.getResolution());
    EXPECT_EQ(80, record.getQuality());
    EXPECT_EQ("p", record.getPrefix());
    EXPECT_EQ("out/", record.getOutputDir());
    EXPECT_EQ("in.pdf", record.getInputFile());
}

TEST(NumberAtoi, HugeValuesAreClampedInsteadOfOverflowing) {
    auto record = read<CreateImagesInput>(std::string(kImagesBase) + "<width>99999999999</width>");
    EXPECT_EQ(2147483647, record.getWidth());
}

TEST(FlagTrue, OnlyTheExactLowerCaseWordIsTrue) {
    for (const char* text : {"True", "1", "TRUE", "yes"}) {
        auto record =
            read<CreateDocumentXMLInput>(std::string(kDocumentBase) + "<importbookmarks>" + text +
                                         "</importbookmarks><importpagelabels>true"
                                         "</importpagelabels>");
        EXPECT_FALSE(record.getImportBookmarks()) << text;
        EXPECT_TRUE(record.getImportPageLabels());
    }
}

TEST(FlagOne, SurroundingWhitespaceIsDroppedBeforeComparing) {
    auto record = read<CreatePagesXMLInput>(
        "<inputfile>a.pdf</inputfile><outputdir>o/</outputdir><importlinks>  1 \n</importlinks>");
    EXPECT_TRUE(record.getImportLinks());
    record = read<CreatePagesXMLInput>(
        "<inputfile>a.pdf</inputfile><outputdir>o/</outputdir><importlinks>true</importlinks>");
    EXPECT_FALSE(record.getImportLinks());
    record = read<CreatePagesXMLInput>(
        "<inputfile>a.pdf</inputfile><outputdir>o/</outputdir><importlinks></importlinks>");
    EXPECT_FALSE(record.getImportLinks());
}

TEST(FlagOne, OptionalFlagAbsentIsFalse) {
    auto record = read<CreateIndexInput>("<inputfile>a.pdf</inputfile><outputdir>o/</outputdir>");
    EXPECT_FALSE(record.getGenerateRtlOutput());
    record = read<CreateIndexInput>(
        "<inputfile>a.pdf</inputfile><outputdir>o/</outputdir><generatertloutput>1"
        "</generatertloutput>");
    EXPECT_TRUE(record.getGenerateRtlOutput());
}

TEST(FlagScanned, AnyNonZeroNumberIsTrueAndWordsAreFalse) {
    auto links = [](const std::string& value) {
        return read<RecognizeLinksInput>(
            "<inputfile>in.pdf</inputfile><outputdir>out/</outputdir><userange>0</userange>"
            "<importpdflinks>" +
            value + "</importpdflinks><usebinarysearch>0</usebinarysearch>");
    };
    EXPECT_TRUE(links("2").getImportPdfLinks());
    EXPECT_TRUE(links("1").getImportPdfLinks());
    EXPECT_FALSE(links("0").getImportPdfLinks());
    EXPECT_FALSE(links("true").getImportPdfLinks());
}

TEST(NumberScanned, PageRangeIsReadOnlyWhenRangeIsUsed) {
    auto record = read<RecognizeLinksInput>(std::string(kLinksBase) +
                                            "<userange>0</userange><frompage>5</frompage>"
                                            "<topage>9</topage>");
    EXPECT_EQ(0, record.getUseRange());
    EXPECT_EQ(1, record.getFromPage());
    EXPECT_EQ(1, record.getToPage());
    record = read<RecognizeLinksInput>(std::string(kLinksBase) +
                                       "<userange>1</userange><frompage>5</frompage>"
                                       "<topage>9</topage>");
    EXPECT_EQ(1, record.getUseRange());
    EXPECT_EQ(5, record.getFromPage());
    EXPECT_EQ(9, record.getToPage());
}

TEST(NumberScanned, TextWithoutNumberKeepsTheDefault) {
    auto record = read<RecognizeProductsInput>(
        "<inputfile>in.pdf</inputfile><outputdir>out/</outputdir><userange>1</userange>"
        "<frompage>first</frompage><topage>7</topage><usebinarysearch>0</usebinarysearch>");
    EXPECT_EQ(1, record.getFromPage());
    EXPECT_EQ(7, record.getToPage());
}

TEST(JobText, FirstOccurrenceOfAKeyCounts) {
    auto record = read<GetPagesCountInput>(
        "<inputfile>first.pdf</inputfile>"
        "<inputfile>second.pdf</inputfile>");
    EXPECT_EQ("first.pdf", record.getInputFile());
}

TEST(JobText, InnerWhitespaceIsCondensedAndEntitiesDecoded) {
    auto record = read<GetPagesCountInput>("<inputfile>  my   file &amp; more.pdf </inputfile>");
    EXPECT_EQ("my file & more.pdf", record.getInputFile());
}

TEST(JobText, UnknownElementsAreIgnoredAndOrderIsFree) {
    auto record = read<CreatePagesHTMLInput>(
        "<colour>blue</colour><outputdir>o/</outputdir><inputfile>a.pdf</inputfile>");
    EXPECT_EQ("a.pdf", record.getInputFile());
    EXPECT_EQ("o/", record.getOutputDir());
}

TEST(RequiredParameters, MissingOnesAreNamedInOneLine) {
    ParsedJob parsed(
        "<inputfile>in.pdf</inputfile><outputdir>out/</outputdir><prefix>p</prefix>"
        "<resolution>150</resolution><headerresolution>150</headerresolution>");
    CreateImagesInput record;
    EXPECT_FALSE(record.readJobParams(parsed.job()));
    EXPECT_EQ("Job parameter 'quality' is missing", record.error());
}

TEST(RequiredParameters, NumberWithoutTextIsRefused) {
    ParsedJob parsed(
        "<inputfile>in.pdf</inputfile><outputdir>out/</outputdir><prefix>p</prefix>"
        "<quality>  </quality><resolution>150</resolution>"
        "<headerresolution>150</headerresolution>");
    CreateImagesInput record;
    EXPECT_FALSE(record.readJobParams(parsed.job()));
    EXPECT_EQ("Job parameter 'quality' has no value", record.error());
}

TEST(RequiredParameters, EveryRecordNamesItsFirstMissingKey) {
    ParsedJob empty("");
    GetPagesCountInput count;
    EXPECT_FALSE(count.readJobParams(empty.job()));
    EXPECT_EQ("Job parameter 'inputfile' is missing", count.error());
    CreateDocumentXMLInput document;
    EXPECT_FALSE(document.readJobParams(empty.job()));
    EXPECT_EQ("Job parameter 'inputfile' is missing", document.error());
    CreateSEOInput seo;
    EXPECT_FALSE(seo.readJobParams(empty.job()));
    RecognizeLinksInput links;
    EXPECT_FALSE(links.readJobParams(empty.job()));
}

TEST(SeoParameters, EmptyTitleIsKeptAndMaxLinesMustBeANumber) {
    const std::string base =
        "<inputfile>a.pdf</inputfile><outputdir>o/</outputdir><title/>"
        "<addcreatorlink>1</addcreatorlink><creatorname>Me</creatorname>"
        "<creatorurl>http://me</creatorurl>";
    auto record = read<CreateSEOInput>(base + "<maxlines> -3</maxlines>");
    EXPECT_EQ("", record.getTitle());
    EXPECT_EQ(-3, record.getMaxLines());
    EXPECT_TRUE(record.getAddCreatorLink());
    EXPECT_EQ("Me", record.getCreatorName());

    ParsedJob parsed(base + "<maxlines>many</maxlines>");
    CreateSEOInput bad;
    EXPECT_FALSE(bad.readJobParams(parsed.job()));
    EXPECT_EQ("Job parameter 'maxlines' is not a number", bad.error());
}

TEST(ExpressionList, EveryChildElementIsOneExpressionInDocumentOrder) {
    auto record = read<RecognizeLinksInput>(
        std::string(kLinksBase) + "<userange>0</userange><expresions>text" +
        expression("expression", "www\\.[a-z]+\\.com", 3, 0) + " more text " +
        expression("other", "page \\d+", 0, 2) + expression("x", "[A-Z]{2}-\\d+", 7, 1) +
        "</expresions>");
    const auto& list = record.getExpressions();
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
    EXPECT_TRUE(read<RecognizeLinksInput>(std::string(kLinksBase) + "<userange>0</userange>")
                    .getExpressions()
                    .empty());
    EXPECT_TRUE(
        read<RecognizeLinksInput>(std::string(kLinksBase) + "<userange>0</userange><expresions/>")
            .getExpressions()
            .empty());
}

TEST(ExpressionList, RegExpWithDoubleSpacesArrivesWithOne) {
    auto record =
        read<RecognizeLinksInput>(std::string(kLinksBase) + "<userange>0</userange><expresions>" +
                                  expression("e", "see  page") + "</expresions>");
    ASSERT_EQ(1u, record.getExpressions().size());
    EXPECT_EQ("see page", record.getExpressions()[0].regExp);
}

TEST(ExpressionList, AttributesKeepTheirWhitespace) {
    auto record = read<RecognizeLinksInput>(
        std::string(kLinksBase) +
        "<userange>0</userange><expresions><e target=\"1\" linktype=\"0\" "
        "result=\"a  b\" description=\" d \"><regexp>x</regexp></e></expresions>");
    ASSERT_EQ(1u, record.getExpressions().size());
    EXPECT_EQ("a  b", record.getExpressions()[0].result);
    EXPECT_EQ(" d ", record.getExpressions()[0].description);
}

TEST(ExpressionList, IncompleteExpressionIsRefusedWithItsPosition) {
    ParsedJob parsed(std::string(kLinksBase) + "<userange>0</userange><expresions>" +
                     expression("e", "a") +
                     "<e target=\"1\" result=\"r\" description=\"d\"><regexp>b</regexp></e>"
                     "</expresions>");
    RecognizeLinksInput record;
    EXPECT_FALSE(record.readJobParams(parsed.job()));
    EXPECT_EQ("Expression 2 has no attribute 'linktype'", record.error());

    ParsedJob notNumber(std::string(kLinksBase) +
                        "<userange>0</userange><expresions>"
                        "<e target=\"first\" linktype=\"0\" result=\"r\" description=\"d\">"
                        "<regexp>b</regexp></e></expresions>");
    RecognizeLinksInput second;
    EXPECT_FALSE(second.readJobParams(notNumber.job()));
    EXPECT_EQ("Expression 1: attribute 'target' is not a number", second.error());

    ParsedJob noRegExp(std::string(kLinksBase) +
                       "<userange>0</userange><expresions>"
                       "<e target=\"1\" linktype=\"0\" result=\"r\" description=\"d\"/>"
                       "</expresions>");
    RecognizeLinksInput third;
    EXPECT_FALSE(third.readJobParams(noRegExp.job()));
    EXPECT_EQ("Expression 1 has no 'regexp' element", third.error());
}

TEST(ExpressionList, EmptyRegExpIsKeptAsAnEmptyExpression) {
    auto record =
        read<RecognizeLinksInput>(std::string(kLinksBase) + "<userange>0</userange><expresions>" +
                                  expression("e", "a") + expression("e", "") + "</expresions>");
    ASSERT_EQ(2u, record.getExpressions().size());
    EXPECT_EQ("", record.getExpressions()[1].regExp);
}

TEST(ExpressionList, ProductExpressionsCarryResultRegExpAndDescription) {
    auto record = read<RecognizeProductsInput>(
        "<inputfile>in.pdf</inputfile><outputdir>out/</outputdir><userange>0</userange>"
        "<usebinarysearch>1</usebinarysearch><expresions>"
        "<product result=\"shop/$regresult\" description=\"codes\"><regexp>QX-\\d+</regexp>"
        "</product></expresions>");
    ASSERT_EQ(1u, record.getExpressions().size());
    EXPECT_EQ("shop/$regresult", record.getExpressions()[0].result);
    EXPECT_EQ("QX-\\d+", record.getExpressions()[0].regExp);
    EXPECT_EQ("codes", record.getExpressions()[0].description);
    EXPECT_TRUE(record.getUseBinarySearch());
}

TEST(LinkParameters, GotoFirstNumberInRangeIsAnOptionalFlagOne) {
    auto record = read<RecognizeLinksInput>(std::string(kLinksBase) + "<userange>0</userange>");
    EXPECT_FALSE(record.getGotoFirstNumberInRange());
    record = read<RecognizeLinksInput>(std::string(kLinksBase) +
                                       "<userange>0</userange><gotofirstnumberinrange>1"
                                       "</gotofirstnumberinrange>");
    EXPECT_TRUE(record.getGotoFirstNumberInRange());
}

}  // namespace
