// quillonproxy — does one publication job described by an XML job file.
//
// Usage: quillonproxy JOBFILE
// Exit status: 0 success; 1 the job file cannot be loaded; -1 (255) for a
// missing argument, a job that fails, or any error.
#include <cstdio>

#include "document/DocumentError.h"
#include "job/Job.h"
#include "pdf/Error.h"
#include "pdf/Library.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs("No Input file", stdout);
        return -1;
    }
    const std::string jobFile = argv[1];
    int status = -1;
    try {
        pdf::Library library;
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
