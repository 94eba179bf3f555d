#include "job/JobTable.h"

#include <cstddef>
#include <string>

namespace {

// A table entry for the job name whose operation receives a P read by declared; check, when
// given, adds the job's own warnings once every parameter was read.
template <typename P, std::size_t N>
JobEntry declareJob(const char* name, const Param<P> (&declared)[N], bool (*operation)(const P&),
                    void (*check)(const P&, ParamReader&) = nullptr) {
    JobEntry entry;
    entry.name = name;
    for (const Param<P>& param : declared) entry.params.push_back(param.info());
    entry.read = [name, &declared, operation, check](TiXmlNode* job) {
        ParamReader reader(job);
        P params;
        ReadJob result;
        result.ok = readParams(reader, declared, params);
        if (result.ok && check != nullptr) check(params, reader);
        reader.checkElements(name, textParam(declared, params, "outputdir"));
        result.error = reader.error();
        result.warnings = reader.warnings();
        if (result.ok) result.run = [operation, params] { return operation(params); };
        return result;
    };
    return entry;
}

}  // namespace

const std::vector<JobEntry>& jobTable() {
    static const std::vector<JobEntry> table = {
        declareJob("getpagescount", kGetPagesCountParams, getPagesCount),
        declareJob("createdocumentxml", kCreateDocumentXmlParams, createDocumentXml),
        declareJob("createimages", kCreateImagesParams, createImages, checkImageQuality),
        declareJob("createpagesxml", kCreatePagesXmlParams, createPagesXml),
        declareJob("recognizelinks", kRecognizeLinksParams, recognizeLinks),
        declareJob("importproducts", kImportProductsParams, importProducts),
        declareJob("createindex", kCreateIndexParams, createIndex),
        declareJob("createpageshtml", kCreatePagesHtmlParams, createPagesHtml),
        declareJob("createtextlayer", kCreateTextLayerParams, createTextLayer),
        declareJob("createseotext", kCreateSeoTextParams, createSeoText),
        declareJob("createpublication", kCreatePublicationParams, createPublication),
    };
    return table;
}

const JobEntry* findJob(const std::string& name) {
    for (const JobEntry& entry : jobTable())
        if (name == entry.name) return &entry;
    return nullptr;
}

bool isIdleCommand(const std::string& name) {
    return name == "createintopage" || name == "end";
}

void checkImageQuality(const CreateImagesParams& params, ParamReader& reader) {
    if (params.quality < 1 || params.quality > 100) {
        reader.warn("Job parameter 'quality' is " + std::to_string(params.quality) +
                    ": JPEG quality runs from 1 to 100, and the encoder uses " +
                    std::to_string(params.quality < 1 ? 1 : 100));
    }
}
