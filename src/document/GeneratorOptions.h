// What each generator of the publication's outputs needs to know, as plain values.
//
// The job driver fills these from the job's parameter records (src/job/), so the generators
// neither read job files nor depend on how a job is described. Paths are UTF-8; an output
// directory ends with its separator ("/pub/"), file names are appended to it as they are.
#pragma once

#include <string>

// "createimages": every page to outputDir + prefix + N + ".jpg".
struct ImageOptions {
    std::string outputDir;
    std::string prefix;
    // The image size: width when above 0, else height when above 0 (the other side follows
    // the page's proportions), else the page at resolution dots per inch.
    int width = 0;
    int height = 0;
    int resolution = 0;
    int quality = 0;  // JPEG quality, 1-100
    // When it differs from resolution, the files' JFIF headers say 300 dpi.
    int headerResolution = 0;
};

// "createdocumentxml": outputDir + "document.xml".
struct DescriptorOptions {
    std::string outputDir;
    std::string docId;
    std::string version;
    std::string thumbPrefix;  // file names of the page images the descriptor lists
    std::string pagesPrefix;
    std::string zoomPrefix;
    std::string zoomPostfix;
    int thumbWidth = 0;
    bool importPageLabels = false;
    bool importBookmarks = false;
};

// "createseo": outputDir + "seo.xml".
struct SeoOptions {
    std::string outputDir;
    std::string title;
    std::string creatorName;
    std::string creatorUrl;
    bool addCreatorLink = false;
    int maxLines = 0;  // links at most, when 1 or more
};
