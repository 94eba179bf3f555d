#include "job/Job.h"

#include <tinyxml.h>

#include <cstdio>

#include "document/Utility.h"
#include "job/Commands.h"
#include "job/RecognizeLinksInput.h"
#include "text/TextEncoding.h"

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

// The job file's text, its line ends made line feeds as TinyXML's own
// loading makes them. Job files are UTF-8 whatever they declare: TinyXML
// would otherwise take a file without a declaration for Latin-1.
std::string jobFileText(const std::string& jobFile) {
    std::string bytes;
    // A directory, device or pipe has no end to read up to.
    std::FILE* file = Utility::isRegularFile(jobFile) ? std::fopen(jobFile.c_str(), "rb") : nullptr;
    if (file == nullptr) refuseJobFile(jobFile, "Failed to open file");
    char buffer[65536];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, got);
    bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) refuseJobFile(jobFile, "Failed to read file");
    if (!isWellFormedUtf8(bytes)) refuseJobFile(jobFile, "The file is not UTF-8 text");
    if (bytes.find('\0') != std::string::npos)
        refuseJobFile(jobFile, "The file holds a NUL character");
    std::string text;
    text.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r') {
            text += bytes[i];
        } else {
            text += '\n';
            if (i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
        }
    }
    return text;
}

}  // namespace

bool Job::readParams(const std::string& jobFile) {
    const std::string text = jobFileText(jobFile);
    TiXmlDocument document(jobFile);
    document.Parse(text.c_str(), nullptr, TIXML_ENCODING_UTF8);
    if (document.Error()) refuseJobFile(jobFile, document.ErrorDesc());
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
