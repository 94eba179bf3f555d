#include "job/Job.h"

#include <tinyxml.h>

#include <cstdio>

#include "document/Utility.h"
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

bool Job::readParams(const std::string& jobFile) {
    TiXmlDocument document(jobFile);
    // TinyXML sizes its buffer from the stream's end, which a directory
    // does not have; it is refused as a file that does not open.
    bool loaded = Utility::isRegularFile(jobFile) && document.LoadFile();
    if (!loaded) {
        const char* reason = document.Error() ? document.ErrorDesc() : "Failed to open file";
        throw JobError("Could not load test file '" + jobFile + "'. Error='" + reason +
                       "'. Exiting.\n");
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
    if (!input->readJobParams(jobNode)) {
        std::printf("%s\n", input->error().c_str());
        return false;
    }
    return true;
}

bool Job::executeJob() {
    return command != nullptr && command->executeJob(input.get());
}
