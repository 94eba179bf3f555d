#include "job/Job.h"

#include <tinyxml.h>

#include <cstdio>

#include "document/XmlLoad.h"
#include "job/JobTable.h"

namespace {

[[noreturn]] void refuseJobFile(const std::string& jobFile, const std::string& reason) {
    throw JobError("Could not load test file '" + jobFile + "'. Error='" + reason +
                   "'. Exiting.\n");
}

}  // namespace

bool Job::readParams(const std::string& jobFile) {
    TiXmlDocument document(jobFile);
    const std::string failure = loadXmlFile(document, jobFile);
    if (!failure.empty()) refuseJobFile(jobFile, failure);
    TiXmlNode* jobNode = document.FirstChild("job");
    TiXmlElement* jobElement = jobNode != nullptr ? jobNode->ToElement() : nullptr;
    if (jobElement == nullptr) {
        std::printf("Job file '%s' has no 'job' element\n", jobFile.c_str());
        return false;
    }
    const char* name = jobElement->Attribute("name");
    if (name == nullptr) {
        std::printf("Job file '%s' names no command\n", jobFile.c_str());
        return false;
    }
    const JobEntry* entry = findJob(name);
    if (entry == nullptr) {
        if (isIdleCommand(name))
            std::printf("Command '%s' has nothing to run\n", name);
        else
            std::printf("Unknown command '%s'\n", name);
        return false;
    }
    ReadJob read = entry->read(jobNode);
    // What the operator should hear of goes to standard error, which clients do not read;
    // standard output stays as they know it.
    for (const std::string& warning : read.warnings)
        std::fprintf(stderr, "warning: %s\n", warning.c_str());
    if (!read.ok) {
        std::printf("%s\n", read.error.c_str());
        return false;
    }
    run_ = std::move(read.run);
    return true;
}

bool Job::executeJob() {
    return run_ && run_();
}
