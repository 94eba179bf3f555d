#include "job/Publication.h"

#include <tinyxml.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <system_error>
#include <utility>

#include "document/DocumentError.h"
#include "document/HtmlPages.h"
#include "document/OutputFile.h"
#include "document/PDFDocument.h"
#include "document/PageImages.h"
#include "document/PageTiles.h"
#include "document/PagesXML.h"
#include "document/PublicationFolder.h"
#include "document/PublicationInfo.h"
#include "document/SearchText.h"
#include "document/SeoText.h"
#include "document/TextIndex.h"
#include "document/TextLayer.h"
#include "document/Utility.h"
#include "document/XmlFile.h"
#include "document/XmlLoad.h"
#include "job/Progress.h"
#include "pdf/PagePipeline.h"
#include "pdf/text/PaintedText.h"
#include "pdf/text/TextPage.h"
#include "recognition/ExpressionSearch.h"
#include "recognition/HitInfo.h"
#include "recognition/Recognition.h"
#include "text/Regex.h"

namespace fs = std::filesystem;

namespace {

// The publication's layout, which the viewer reads: image prefixes, sizes and qualities.
constexpr int kThumbWidth = 150;
enum ImageKind { kThumbnail, kPage, kZoom, kImageKinds };

ImageOptions imageOptions(const std::string& dir, ImageKind kind) {
    ImageOptions options;
    options.outputDir = dir;
    switch (kind) {
        case kThumbnail:
            options.prefix = "thumb";
            options.resolution = 72;
            options.quality = 75;
            options.width = kThumbWidth;
            break;
        case kPage:
            options.prefix = "page";
            options.resolution = 72;
            options.quality = 80;
            break;
        default:
            options.prefix = "zoom";
            options.resolution = 144;
            options.quality = 85;
    }
    options.headerResolution = options.resolution;
    return options;
}

DescriptorOptions descriptorOptions(const std::string& dir, const std::string& docId) {
    DescriptorOptions options;
    options.outputDir = dir;
    options.docId = docId;
    options.version = "1.0";
    options.thumbPrefix = "thumb";
    options.pagesPrefix = "page";
    options.zoomPrefix = "zoom";
    options.zoomPostfix = "jpg";
    options.thumbWidth = kThumbWidth;
    options.importBookmarks = true;
    options.importPageLabels = true;
    return options;
}

std::string fileNameOf(const std::string& path) {
    const std::string::size_type slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void writeWhole(const std::string& path, const std::string& bytes) {
    OutputFile out(path);
    std::fwrite(bytes.data(), 1, bytes.size(), out.stream());
    out.finish(OutputFile::Flush::ByCaller);
    out.rename();
}

std::string readWhole(const std::string& path) {
    std::string bytes;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) throw DocumentError("Cannot read '" + path + "'");
    char buffer[65536];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, got);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) throw DocumentError("Cannot read '" + path + "'");
    return bytes;
}

// A copy of the file at from, written whole at to.
void copyFile(const std::string& from, const std::string& to) {
    std::FILE* in = std::fopen(from.c_str(), "rb");
    if (in == nullptr) throw DocumentError("Cannot read '" + from + "'");
    OutputFile out(to);
    char buffer[65536];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, in)) > 0) {
        if (std::fwrite(buffer, 1, got, out.stream()) != got) break;
    }
    const bool failed = std::ferror(in) != 0;
    std::fclose(in);
    if (failed) throw DocumentError("Cannot read '" + from + "'");
    out.finish(OutputFile::Flush::ByCaller);
    out.rename();
}

// The PDF being published may lie in the served folder (its document.pdf, say): the new
// publication keeps it where no output took its name, so that the swap loses no input.
void keepInput(const std::string& pdfPath, const std::string& served, const std::string& stage) {
    std::error_code error;
    const fs::path input = fs::canonical(pdfPath, error);
    if (error) return;
    const std::string inside = input.string();
    if (inside.compare(0, served.size(), served) != 0) return;
    const fs::path kept = fs::path(stage) / inside.substr(served.size());
    if (fs::exists(kept, error)) return;
    fs::create_directories(kept.parent_path(), error);
    fs::create_hard_link(input, kept, error);
    if (error) copyFile(pdfPath, kept.string());
}

// Each page entry of a descriptor as the sizes it gives its images: what must not change for
// some pages to be published again.
std::vector<std::string> pageSizes(const TiXmlDocument& descriptor) {
    std::vector<std::string> sizes;
    const TiXmlNode* doc = descriptor.FirstChild("doc");
    const TiXmlNode* pages = doc != nullptr ? doc->FirstChild("pages") : nullptr;
    if (pages == nullptr) return sizes;
    for (const TiXmlElement* page = pages->FirstChildElement(); page != nullptr;
         page = page->NextSiblingElement()) {
        std::string size;
        for (const TiXmlElement* file = page->FirstChildElement(); file != nullptr;
             file = file->NextSiblingElement()) {
            const char* width = file->Attribute("width");
            const char* height = file->Attribute("height");
            size +=
                file->ValueStr() + " " + (width ? width : "") + "x" + (height ? height : "") + ";";
        }
        sizes.push_back(size);
    }
    return sizes;
}

void loadDescriptor(TiXmlDocument& descriptor, const std::string& path) {
    const std::string failure = loadXmlFile(descriptor, path);
    if (!failure.empty()) throw DocumentError("Cannot read descriptor '" + path + "': " + failure);
}

// The language tag the viewer's page is given: BCP 47's letters, digits and hyphens, a first
// part of 2 to 8 letters, then parts of 1 to 8 letters or digits ("en", "pt-BR", "zh-Hant").
void checkLanguage(const std::string& lang) {
    bool sound = !lang.empty();
    std::size_t partStart = 0;
    for (std::size_t i = 0; sound && i <= lang.size(); ++i) {
        if (i < lang.size() && lang[i] != '-') {
            const char c = lang[i];
            const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
            sound = letter || (partStart > 0 && c >= '0' && c <= '9');
            continue;
        }
        const std::size_t length = i - partStart;
        sound = length >= (partStart == 0 ? 2u : 1u) && length <= 8;
        partStart = i + 1;
    }
    if (!sound) {
        throw DocumentError(
            "The publication's language must be a tag such as en, ar or pt-BR, "
            "not '" +
            lang + "'");
    }
}

// The viewer's files into the stage, its page told the document's language (the interface's own
// words stay in the page's).
void copyViewer(const std::string& viewerDir, const std::string& stage, const std::string& lang) {
    std::error_code error;
    if (!fs::is_regular_file(fs::path(viewerDir) / "index.html", error))
        throw DocumentError("Cannot find the viewer: '" + viewerDir + "' holds no index.html");
    for (auto it = fs::recursive_directory_iterator(viewerDir, error); !error && it != fs::end(it);
         it.increment(error)) {
        const fs::path target = fs::path(stage) / fs::relative(it->path(), viewerDir);
        if (it->is_directory()) {
            fs::create_directories(target, error);
        } else {
            // A file of the publication being republished is a link to the served one: it is
            // replaced, never written through.
            fs::remove(target, error);
            fs::copy_file(it->path(), target, error);
        }
        if (error) {
            throw DocumentError("Cannot copy the viewer's '" + it->path().string() +
                                "': " + error.message());
        }
    }
    if (error)
        throw DocumentError("Cannot read the viewer in '" + viewerDir + "': " + error.message());
    const std::string page = stage + "index.html";
    std::string html = readWhole(page);
    const std::string open = "data-document-lang=\"";
    const std::string::size_type at = html.find(open);
    const std::string::size_type end =
        at == std::string::npos ? at : html.find('"', at + open.size());
    if (end != std::string::npos) {
        html.replace(at + open.size(), end - at - open.size(), lang);
        writeWhole(page, html);
    }
}

// What the reading leaves for a page of the range until its worker and the records take it.
struct PageParts {
    std::optional<pdf::TextPage> text;  // until the worker has written the text outputs
    PageShape shape;
    std::vector<std::unique_ptr<TiXmlElement>> links;  // the PDF's own, then those found
    std::vector<Finds> products;                       // by product expression
};

}  // namespace

bool writePublication(PDFDocument& document, const PublicationOptions& options) {
    const pdf::Document& pdf = document.pdf();
    const int count = pdf.pageCount();
    const std::string fileName = fileNameOf(pdf.path());
    const std::string docId = options.docId.empty() ? publicationDocId(fileName) : options.docId;
    const std::string lang = options.lang.empty() ? "en" : options.lang;
    checkLanguage(lang);
    int first = 1, last = count;
    if (options.useRange != 0) {
        first = std::max(options.fromPage, 1);
        last = std::min(options.toPage, count);
        if (first > last) {
            throw DocumentError("Cannot republish pages " + std::to_string(options.fromPage) + "-" +
                                std::to_string(options.toPage) + " of " + fileName + ": it has " +
                                std::to_string(count) + " pages");
        }
    }
    const bool ranged = options.useRange != 0;
    std::vector<std::string> linkPatterns, productPatterns;
    for (const ImportLinksExpression& e : options.linkExpressions) linkPatterns.push_back(e.regExp);
    for (const ProductExpression& e : options.productExpressions)
        productPatterns.push_back(e.regExp);
    const auto linkExpressions = compileExpressions(linkPatterns);
    const auto productExpressions = compileExpressions(productPatterns);

    Progress progress(fileName, options.quiet);
    PublicationFolder folder(options.outputDir, ranged ? PublicationFolder::Start::CopyOfCurrent
                                                       : PublicationFolder::Start::Empty);
    const std::string& stage = folder.stage();
    progress.stage(ranged ? "pages " + std::to_string(first) + " to " + std::to_string(last) +
                                " of " + std::to_string(count) + " into " + folder.served()
                          : std::to_string(count) + " pages into " + folder.served());

    // The descriptor first: the records carry its page ids. Its ids are the random sequence's
    // first, as in a job of its own.
    std::srand(1);
    document.writeDescriptor(descriptorOptions(stage, docId));
    TiXmlDocument descriptor;
    loadDescriptor(descriptor, stage + "document.xml");
    const std::vector<std::string> pageIds = PDFDocument::pageIdsOf(descriptor);
    if (ranged) {
        TiXmlDocument current;
        loadDescriptor(current, folder.served() + "document.xml");
        if (pageSizes(current) != pageSizes(descriptor)) {
            throw DocumentError("Cannot republish pages " + std::to_string(first) + "-" +
                                std::to_string(last) + " of " + fileName + " in " +
                                folder.served() +
                                ": its page count or page sizes differ from the publication's; "
                                "publish it whole");
        }
    }
    // The sharp zoom levels: every page's or none. A range cannot add them to a publication
    // without them (its other pages would have none), and one without them drops them all.
    std::error_code tilesError;
    if (options.noTiles) {
        fs::remove_all(stage + "tiles", tilesError);
    } else if (ranged && !fs::is_directory(stage + "tiles", tilesError)) {
        throw DocumentError("Cannot republish pages " + std::to_string(first) + "-" +
                            std::to_string(last) + " of " + fileName + " in " + folder.served() +
                            " with sharp zoom tiles: the publication has none; publish it whole");
    } else {
        fs::create_directories(stage + "tiles", tilesError);
    }
    if (tilesError) {
        throw DocumentError("Cannot prepare " + stage + "tiles: " + tilesError.message());
    }

    // Every image's size is checked before the first page is drawn.
    std::array<ImageOptions, kImageKinds> images;
    for (int kind = 0; kind < kImageKinds; ++kind)
        images[kind] = imageOptions(stage, static_cast<ImageKind>(kind));
    std::vector<std::array<ImagePlan, kImageKinds>> plans(last - first + 1);
    for (int n = first; n <= last; ++n) {
        const pdf::Page page = pdf.page(n);
        for (int kind = 0; kind < kImageKinds; ++kind)
            plans[n - first][kind] = planImage(page, images[kind]);
    }

    // The search text is written anew whole; the parts of the publication it replaces go first,
    // so that none of them is left behind should there now be fewer.
    for (const auto& entry : fs::directory_iterator(stage)) {
        const std::string name = entry.path().filename().string();
        if (name.compare(0, 7, "search-") == 0 && name.size() > 12 &&
            name.compare(name.size() - 5, 5, ".json") == 0)
            fs::remove(entry.path());
    }
    std::vector<std::string> indexTexts(count), firstLines(count);
    SearchTextWriter search(stage, options.searchPartBytes > 0
                                       ? static_cast<std::size_t>(options.searchPartBytes)
                                       : kSearchPartBytes);
    std::vector<PageParts> parts(last - first + 1);
    LinkLimits linkLimits("links"), productLimits("products");

    // On this thread, in page order: the page's one reading, and what is made of it at once.
    auto read = [&](const pdf::Page& page) {
        const int n = page.number();
        const pdf::PaintedText painted = pdf::readPaintedText(page);
        pdf::TextPage text(page, painted);
        indexTexts[n - 1] = indexText(text, options.rightToLeft);
        firstLines[n - 1] = firstLineText(text);
        search.addPage(n, textLayerLines(text));
        if (n < first || n > last) {
            progress.pageDone();
            return false;
        }
        PageParts& part = parts[n - first];
        part.links = document.importLinksFromPDF(page, true, true, true);
        const std::vector<Finds> found =
            findOnPage(page, painted, text, linkExpressions, linkLimits);
        for (std::size_t e = 0; e < found.size(); ++e) {
            for (const Finds::Match& match : found[e].matches) {
                handOnMatch(e, n, found[e], match,
                            [&](std::size_t, const std::string& matched, const HitInfo& hit) {
                                part.links.emplace_back(recognizedLink(options.linkExpressions[e],
                                                                       matched, hit, false));
                            });
            }
        }
        part.products = findOnPage(page, painted, text, productExpressions, productLimits);
        part.shape = pageShape(page);
        part.text.emplace(std::move(text));
        return true;
    };
    // On any worker: the page's images and the text outputs of its reading.
    auto work = [&](const pdf::RecordedPage& page) {
        const int n = page.number();
        PageParts& part = parts[n - first];
        for (int kind = 0; kind < kImageKinds; ++kind) {
            writeImage(page, plans[n - first][kind], images[kind].quality,
                       imageFileName(images[kind], n));
        }
        if (!options.noTiles) {
            // A page MuPDF draws whole but not in pieces (a clip left open across a tile's
            // edge) keeps its images and loses only its sharp zoom: the viewer shows the zoom
            // image where a tile is missing. Said on standard error, never silent.
            try {
                writePageTiles(page, std::max(1, static_cast<int>(page.width())),
                               std::max(1, static_cast<int>(page.height())), stage);
            } catch (const pdf::Error& e) {
                std::fprintf(stderr, "warning: %s; the page has no sharp zoom tiles\n", e.what());
            }
        }
        writeWhole(stage + Utility::pageHtmlName(n), pageHtml(*part.text));
        writeWhole(stage + "Text_" + std::to_string(n) + ".json",
                   textLayerJson(part.shape, *part.text));
        part.text.reset();
        progress.pageDone();
    };
    progress.startPages(count);
    pdf::forEachRecordedPage(pdf, 1, count, imageWorkers(), read, work);
    progress.stopPages();

    progress.stage("writing the records, the index, the search text and the SEO text");
    // Products take their ids from the random sequence in a job's order: expression by
    // expression, page by page.
    std::srand(1);
    std::vector<std::vector<std::unique_ptr<TiXmlElement>>> products(parts.size());
    for (std::size_t e = 0; e < productExpressions.size(); ++e) {
        for (int n = first; n <= last; ++n) {
            const Finds& finds = parts[n - first].products[e];
            for (const Finds::Match& match : finds.matches) {
                handOnMatch(e, n, finds, match,
                            [&](std::size_t, const std::string& matched, const HitInfo& hit) {
                                products[n - first].emplace_back(
                                    recognizedProduct(options.productExpressions[e], matched, hit));
                            });
            }
        }
    }
    for (int n = first; n <= last; ++n) {
        std::unique_ptr<TiXmlDocument> record = newPageRecord(n, pageIds.at(n - 1));
        TiXmlElement* links = recordSection(*record, "links");
        for (auto& link : parts[n - first].links) links->LinkEndChild(link.release());
        TiXmlElement* found = recordSection(*record, "products");
        for (auto& product : products[n - first]) found->LinkEndChild(product.release());
        stageXmlFile(*record, stage + Utility::pageRecordName(n), kOutputTemporaryPrefix,
                     OutputFile::Flush::ByCaller)
            ->rename();
    }
    writeTextIndexFile(stage + "DocumentIndex.xml", indexTexts);
    search.finish();
    const std::string title =
        options.title.empty() ? publicationTitle(pdf.title(), fileName) : options.title;
    SeoOptions seo;
    seo.outputDir = stage;
    seo.title = seoTitle(title, docId);
    seo.creatorName = "quillonproxy";
    seo.creatorUrl = "index.html";
    writeSeoFile(seo, firstLines);
    if (!options.viewerDir.empty()) copyViewer(options.viewerDir, stage, lang);
    std::error_code error;
    fs::remove(stage + "document.pdf", error);
    if (options.withPdf) copyFile(pdf.path(), stage + "document.pdf");
    writeWhole(stage + "publication.json",
               publicationJson(title, options.withPdf, fileName, options.rightToLeft,
                               options.noTiles ? "" : tilesJson()));
    keepInput(pdf.path(), folder.served(), stage);

    folder.putInPlace();
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.1f", progress.seconds());
    progress.stage("published in " + std::string(seconds) + " s");
    return true;
}
