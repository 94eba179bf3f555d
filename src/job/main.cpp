// quillonproxy — does one publication job described by an XML job file.
//
// Usage: quillonproxy JOBFILE | --help | --version
// Exit status: 0 success; 1 the job file cannot be loaded; -1 (255) for a
// missing argument, a job that fails, or any error. --help and --version
// print to standard output and end with 0; any other argument is a job file.
#include <cstdio>
#include <cstring>

#include "document/DocumentError.h"
#include "job/EnvironmentBudgets.h"
#include "job/Job.h"
#include "job/JobTable.h"
#include "pdf/Error.h"
#include "pdf/Library.h"

namespace {

const char kUsageHead[] =
    "Usage: quillonproxy JOBFILE\n"
    "       quillonproxy --help | --version\n"
    "\n"
    "Does the one job that the XML file JOBFILE describes, for example:\n"
    "\n"
    "  <job name=\"createindex\">\n"
    "    <inputfile>/data/catalogue.pdf</inputfile>\n"
    "    <outputdir>/data/publication/</outputdir>\n"
    "  </job>\n"
    "\n"
    "Commands and their parameters (* required):\n";

const char kUsageTail[] =
    "Every parameter and output file is described in docs/jobs.md (installed under\n"
    "share/doc/quillonproxy); quillonproxy-publish runs a whole publication.\n"
    "\n"
    "Exit status: 0 done; 1 the job file cannot be read; 255 the job failed, with\n"
    "one line on standard output saying why. Warnings go to standard error.\n";

// The usage, with every command's parameters from the job table.
void printUsage() {
    std::fputs(kUsageHead, stdout);
    for (const JobEntry& job : jobTable()) {
        std::printf("  %s:", job.name);
        for (const ParamInfo& param : job.params)
            std::printf(" %s%s", param.key, param.presence == Presence::Optional ? "" : "*");
        std::fputs("\n", stdout);
    }
    std::fputs("\n", stdout);
    std::fputs(kUsageTail, stdout);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs("No Input file", stdout);
        return -1;
    }
    if (std::strcmp(argv[1], "--help") == 0) {
        printUsage();
        return 0;
    }
    if (std::strcmp(argv[1], "--version") == 0) {
        std::puts("quillonproxy " QUILLONPROXY_VERSION);
        return 0;
    }
    const std::string jobFile = argv[1];
    int status = -1;
    try {
        pdf::Library library(budgetsFromEnvironment());
        Job job;
        try {
            if (job.readParams(jobFile)) status = job.executeJob() ? 0 : -1;
        } catch (const JobError& e) {
            std::fputs(e.what(), stdout);
            status = 1;
        } catch (const DocumentError& e) {
            std::printf("%s\n", e.what());
        } catch (const pdf::Error& e) {
            std::printf("%s\n", e.what());
        } catch (...) {
            // Other failures (the page-count string, a path that is not
            // UTF-8) end the job silently, as clients expect.
        }
    } catch (const std::exception& e) {
        std::printf("%s\n", e.what());
    }
    std::fflush(stdout);
    return status;
}
