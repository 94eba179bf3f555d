// The job table against what is derived from it: the reference in docs/jobs.md, --help, and
// reading every job's parameters.
#include <gtest/gtest.h>
#include <tinyxml.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "job/JobTable.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

// One row of a parameter table in docs/jobs.md.
struct DocumentedParam {
    std::string kind, required, defaultValue;
};

std::string trim(const std::string& text) {
    size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::vector<std::string> cells(const std::string& row) {
    std::vector<std::string> result;
    std::string cell;
    std::istringstream in(row.substr(1));
    while (std::getline(in, cell, '|')) result.push_back(trim(cell));
    return result;
}

std::vector<std::string> splitList(const std::string& text) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t comma; (comma = text.find(", ", start)) != std::string::npos; start = comma + 2)
        parts.push_back(text.substr(start, comma - start));
    parts.push_back(text.substr(start));
    return parts;
}

std::string unquoted(const std::string& key) {
    return key.size() >= 2 && key.front() == '`' ? key.substr(1, key.size() - 2) : key;
}

// The parameter tables of the "## Commands" section, by command. A row may name several keys
// ("`userange`, `frompage`, `topage`") with one default each and required-ness either for all
// or as "`userange` yes" (that key yes, the others no).
std::map<std::string, std::map<std::string, DocumentedParam>> documentedJobs() {
    // The source tree holds scripts/publish.sh and docs/jobs.md.
    const std::string script = QUILLON_PUBLISH_SCRIPT;
    std::ifstream file(script.substr(0, script.rfind("scripts/")) + "docs/jobs.md");
    EXPECT_TRUE(file.good());
    std::map<std::string, std::map<std::string, DocumentedParam>> jobs;
    bool inCommands = false;
    std::string job, line;
    while (std::getline(file, line)) {
        if (line.rfind("## ", 0) == 0) inCommands = line == "## Commands";
        if (!inCommands) continue;
        if (line.rfind("### ", 0) == 0) {
            job = line.substr(4);
            jobs[job];
            continue;
        }
        if (job.empty() || line.rfind("| `", 0) != 0) continue;
        std::vector<std::string> row = cells(line);
        EXPECT_GE(row.size(), 4u) << line;
        if (row.size() < 4) continue;
        std::vector<std::string> keys = splitList(row[0]);
        std::vector<std::string> defaults = splitList(row[3]);
        for (size_t i = 0; i < keys.size(); ++i) {
            DocumentedParam param{row[1], row[2],
                                  keys.size() == defaults.size() ? defaults[i] : row[3]};
            if (row[2].front() == '`') param.required = row[2] == keys[i] + " yes" ? "yes" : "no";
            jobs[job][unquoted(keys[i])] = param;
        }
    }
    return jobs;
}

const char* documentedPresence(Presence presence) {
    switch (presence) {
        case Presence::Optional:
            return "no";
        case Presence::Required:
            return "yes";
        case Presence::RequiredMayBeEmpty:
            return "yes (may be empty)";
    }
    return "";
}

TEST(JobTable, DocsReferenceListsEveryParameterAsDeclared) {
    auto documented = documentedJobs();
    ASSERT_EQ(jobTable().size(), documented.size());
    for (const JobEntry& job : jobTable()) {
        SCOPED_TRACE(job.name);
        ASSERT_EQ(1u, documented.count(job.name));
        std::map<std::string, DocumentedParam> rows = documented[job.name];
        for (const ParamInfo& param : job.params) {
            SCOPED_TRACE(param.key);
            const std::string key = param.key;
            if (rows.count(key) == 0 && (key == "inputfile" || key == "outputdir")) {
                // Stated once for every command but getpagescount.
                EXPECT_NE("getpagescount", std::string(job.name));
                EXPECT_EQ(ParamKind::Text, param.kind);
                EXPECT_EQ(Presence::Required, param.presence);
                continue;
            }
            ASSERT_EQ(1u, rows.count(key));
            const DocumentedParam& row = rows[key];
            EXPECT_EQ(0u, row.kind.find(documentedKind(param.kind))) << row.kind;
            EXPECT_EQ(documentedPresence(param.presence), row.required);
            EXPECT_EQ(param.documentedDefault, row.defaultValue);
            rows.erase(key);
        }
        EXPECT_TRUE(rows.empty()) << rows.begin()->first << " is documented, not declared";
    }
}

TEST(JobTable, HelpListsEveryCommandWithItsParameters) {
    RunResult help = runProgram({"--help"});
    ASSERT_EQ(0, help.status);
    for (const JobEntry& job : jobTable()) {
        std::string line = "  " + std::string(job.name) + ":";
        for (const ParamInfo& param : job.params)
            line +=
                " " + std::string(param.key) + (param.presence == Presence::Optional ? "" : "*");
        EXPECT_NE(std::string::npos, help.out.find(line + "\n")) << line << "\n" << help.out;
    }
}

// A job element with every parameter of the table: required ones with a value of their kind.
std::string fullJob(const JobEntry& job) {
    std::string body = "<job name=\"" + std::string(job.name) + "\">";
    for (const ParamInfo& param : job.params) {
        if (param.presence == Presence::Optional) continue;
        std::string value = "v/";  // text, and an output directory as it should be
        if (param.kind == ParamKind::FlagTrue) value = "true";
        if (param.kind != ParamKind::Text && param.kind != ParamKind::FlagTrue) value = "1";
        body += "<" + std::string(param.key) + ">" + value + "</" + param.key + ">";
    }
    return body + "</job>";
}

TEST(JobTable, EveryJobReadsItsRequiredParametersAndNamesTheFirstMissingOne) {
    for (const JobEntry& job : jobTable()) {
        SCOPED_TRACE(job.name);
        TiXmlDocument complete;
        complete.Parse(fullJob(job).c_str());
        ReadJob read = job.read(complete.FirstChild("job"));
        EXPECT_TRUE(read.ok) << read.error;
        EXPECT_TRUE(read.warnings.empty()) << read.warnings.front();
        EXPECT_TRUE(static_cast<bool>(read.run));

        TiXmlDocument empty;
        empty.Parse(("<job name=\"" + std::string(job.name) + "\"/>").c_str());
        read = job.read(empty.FirstChild("job"));
        EXPECT_FALSE(read.ok);
        EXPECT_EQ("Job parameter '" + std::string(job.params.front().key) + "' is missing",
                  read.error);
        EXPECT_FALSE(static_cast<bool>(read.run));
    }
}

TEST(JobTable, NamesAreUniqueAndIdleCommandsAreNoJobs) {
    for (const JobEntry& job : jobTable()) {
        EXPECT_EQ(&job, findJob(job.name));
        EXPECT_FALSE(isIdleCommand(job.name));
        std::map<std::string, int> keys;
        for (const ParamInfo& param : job.params) EXPECT_EQ(1, ++keys[param.key]) << param.key;
    }
    EXPECT_EQ(nullptr, findJob("end"));
    EXPECT_EQ(nullptr, findJob("createintopage"));
    EXPECT_EQ(nullptr, findJob("CreateIndex"));
    EXPECT_TRUE(isIdleCommand("end"));
    EXPECT_TRUE(isIdleCommand("createintopage"));
}

}  // namespace
