#include "support/RecognitionJobs.h"

#include <cmath>

#include "support/Pattern.h"

namespace testing_support {

std::string expressionList(const std::vector<Expression>& expressions) {
    std::string xml = "<expresions>";
    for (const Expression& e : expressions) {
        std::string regexp = Pattern("&").replaceAll(e.regexp, "&amp;");
        regexp = Pattern("<").replaceAll(regexp, "&lt;");
        xml += "<expression target=\"" + std::to_string(e.target) + "\" linktype=\"" +
               std::to_string(e.linkType) + "\" result=\"" + e.result + "\" description=\"" +
               e.description + "\"><regexp>" + regexp + "</regexp></expression>";
    }
    return xml + "</expresions>";
}

std::string linksJob(const TempDir& dir, const std::string& pdf,
                     const std::vector<Expression>& expressions, const std::string& extra) {
    return "<job name=\"recognizelinks\"><inputfile>" + pdf + "</inputfile><outputdir>" +
           dir.path() + "</outputdir>" +
           (extra.find("<userange>") == std::string::npos ? "<userange>0</userange>" : "") +
           (extra.find("<importpdflinks>") == std::string::npos
                ? "<importpdflinks>0</importpdflinks>"
                : "") +
           (extra.find("<usebinarysearch>") == std::string::npos
                ? "<usebinarysearch>0</usebinarysearch>"
                : "") +
           extra + expressionList(expressions) + "</job>";
}

std::vector<std::string> linksOf(const std::string& xml) {
    std::vector<std::string> links;
    for (const Match& m : Pattern("<link [^>]*/>").all(xml)) links.push_back(m.str());
    return links;
}

std::string loc(double x, double y, double w, double h) {
    auto half = [](double v) {
        double f = std::floor(v);
        return static_cast<int>(v - f > 0.5 ? f + 1 : f);
    };
    return std::to_string(half(x)) + " " + std::to_string(half(y)) + " " +
           std::to_string(static_cast<int>(std::ceil(w))) + " " +
           std::to_string(static_cast<int>(std::ceil(h)));
}

void RecognitionFixture::write(const pdfbuild::DocumentSpec& doc) {
    pdf = dir.file("in.pdf");
    pdfbuild::writePdf(doc, pdf);
    publishPageRecords(dir, pdf);
}

RunResult RecognitionFixture::recognize(const std::vector<Expression>& expressions,
                                        const std::string& extra) {
    return runJob(dir, linksJob(dir, pdf, expressions, extra));
}

std::string xmlUnescaped(std::string value) {
    const std::pair<const char*, const char*> entities[] = {{"&#x0A;", "\n"}, {"&quot;", "\""},
                                                            {"&apos;", "'"},  {"&lt;", "<"},
                                                            {"&gt;", ">"},    {"&amp;", "&"}};
    for (const auto& [from, to] : entities) {
        for (size_t at; (at = value.find(from)) != std::string::npos;)
            value.replace(at, std::string(from).size(), to);
    }
    return value;
}

}  // namespace testing_support
