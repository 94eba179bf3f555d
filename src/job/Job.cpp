#include "job/Job.h"

#include <tinyxml.h>

#include <cstdio>

#include "document/Utility.h"
#include "document/XmlLoad.h"
#include "job/Commands.h"
#include "job/RecognizeLinksInput.h"

Job::Job() {
    Initialize();
}

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
        case evCreateDocumentXML:
            input = std::make_unique<CreateDocumentXMLInput>();
            command = std::make_unique<CreateDocumentXMLCommand>();
            break;
        case evCreatePagesXML:
            input = std::make_unique<CreatePagesXMLInput>();
            command = std::make_unique<CreatePagesXMLCommand>();
            break;
        case evCreatePagesHTML:
            input = std::make_unique<CreatePagesHTMLInput>();
            command = std::make_unique<CreatePagesHTMLCommand>();
            break;
        case evCreateIndex:
            input = std::make_unique<CreateIndexInput>();
            command = std::make_unique<CreateIndexCommand>();
            break;
        case evCreateSEOText:
            input = std::make_unique<CreateSEOInput>();
            command = std::make_unique<CreateSEOCommand>();
            break;
        case evRecognizeLinks:
            input = std::make_unique<RecognizeLinksInput>();
            command = std::make_unique<RecogzineLinksCommand>();
            break;
        case evImportProducts:
            input = std::make_unique<RecognizeProductsInput>();
            command = std::make_unique<RecogzineProductsCommand>();
            break;
        case evNotDefined:
            std::printf("Unknown command '%s'\n", commandName.c_str());
            return false;
        case evCreateIntoPage:
        case evEnd:
            std::printf("Command '%s' has nothing to run\n", commandName.c_str());
            return false;
    }
    const bool read = input->readJobParams(jobNode);
    // What the operator should hear of goes to standard error, which
    // clients do not read; standard output stays as they know it.
    input->checkElements(jobNode, commandName);
    for (const std::string& warning : input->warnings())
        std::fprintf(stderr, "warning: %s\n", warning.c_str());
    if (!read) {
        std::printf("%s\n", input->error().c_str());
        return false;
    }
    return true;
}

bool Job::executeJob() {
    return command != nullptr && command->executeJob(input.get());
}
