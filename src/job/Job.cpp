#include "job/Job.h"

#include <cstdio>

#include <tinyxml.h>

#include "job/Commands.h"
#include "job/RecognizeLinksInput.h"

Job::Job() { Initialize(); }

void Job::Initialize() {
    commandTable["createimages"] = evCreateImages;
    commandTable["getpagescount"] = evGetPagesCount;
    commandTable["createdocumentxml"] = evCreateDocumentXML;
    commandTable["createpagesxml"] = evCreatePagesXML;
    commandTable["createpageshtml"] = evCreatePagesHTML;
    commandTable["createindex"] = evCreateIndex;
    commandTable["recognizelinks"] = evRecognizeLinks;
    commandTable["createintopage"] = evCreateIntoPage;
    commandTable["createseotext"] = evCreateSEOText;
    commandTable["importproducts"] = evImportProducts;
    commandTable["end"] = evEnd;
}

StringValue Job::lookUp(const std::string& name) const {
    auto found = commandTable.find(name);
    return found == commandTable.end() ? evNotDefined : found->second;
}

bool Job::readParams(const std::string& jobFile) {
    TiXmlDocument document(jobFile);
    if (!document.LoadFile()) {
        char message[4096];
        std::snprintf(message, sizeof message, "Could not load test file '%s'. Error='%s'. Exiting.\n",
                      jobFile.c_str(), document.ErrorDesc());
        throw JobError(message);
    }
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
    commandName = name;

    switch (lookUp(commandName)) {
        case evCreateImages:
            input = std::make_unique<CreateImagesInput>();
            command = std::make_unique<CreateImagesCommand>();
            break;
        case evGetPagesCount:
            input = std::make_unique<GetPagesCountInput>();
            command = std::make_unique<GetPagesCountCommand>();
            break;
        case evNotDefined:
            std::printf("Unknown command '%s'\n", commandName.c_str());
            return false;
        case evCreateIntoPage:
        case evEnd:
            std::printf("Command '%s' has nothing to run\n", commandName.c_str());
            return false;
        default:
            std::printf("Command '%s' is not available in this build\n", commandName.c_str());
            return false;
    }
    if (!input->readJobParams(jobNode)) {
        std::printf("%s\n", input->error().c_str());
        return false;
    }
    return true;
}

bool Job::executeJob() { return command != nullptr && command->executeJob(input.get()); }
