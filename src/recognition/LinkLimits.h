// LinkLimits — how many links (or products) recognition may add to one page
// and in one job.
//
// The page records gain their links only when the job ends (all records are
// saved together), so until then every link found is held in memory. An expression that finds
// nearly everything ("\w+" on a page of 500,000 glyphs finds some 100,000
// words; 40 such pages make 4 million) would make one job hold gigabytes. So recognition counts
// what it finds and refuses the job when a page or the job goes over its limit: the job fails
// before anything is written, with one line naming the file, the page and the limit:
//
//     "book.pdf: page 3: more than 50000 links found on the page, the most one page may have"
//     "book.pdf: page 9: more than 1000000 links found in the document, the most one job may add"
//
// The limits lie far above what real documents need: on the real-world
// corpus, twenty expressions of the kinds publications use find at most 107
// links on a page and 2,180 in a document of 352 pages; twenty that find
// nearly everything (the ten commonest English words, runs of 1 to 10
// digits) at most 3,421 on a page; every word of every page made a link at
// most 1,734 on a page and 113,213 in the 352 pages.
//
// Counted: every rectangle a match is located as (each becomes one link or
// product), and a match located as none counts as one, since it is kept
// until its expression's turn too. Not counted: links already in the
// records, and the PDF's own links that "importpdflinks" adds.
//
// Throws DocumentError.
#pragma once

#include <cstddef>
#include <string>
#include <utility>

#include "document/DocumentError.h"
#include "pdf/Page.h"

// 50,000 links on one page: some fifteen times the most that expressions
// finding every number and common word give on a page of the corpus (3,421),
// and a link every ten glyphs on a page that paints the most glyphs a page
// may (kMaxPageGlyphs, 500,000).
constexpr std::size_t kMaxLinksPerPage = 50000;

// 1,000,000 links in one job: the page records hold each link packed (some
// 150 bytes: PDFPage.h) until they are saved, so some 150 MB, beside the
// reading of the page at hand (about 140 MB for a page of 500,000 glyphs);
// twenty times what expressions finding every number and common word give in
// the corpus's largest document (43,394 in 352 pages), nine times what every
// word of it made a link gives (113,213, held in 30 MB), and room for a
// catalogue of thousands of pages with hundreds of products each.
constexpr std::size_t kMaxLinksPerJob = 1000000;

class LinkLimits {
  public:
    // what: the plural noun of what is counted, "links" or "products".
    explicit LinkLimits(std::string what) : what_(std::move(what)) {}

    // Counts `count` more found on `page` (pages come one after another: a
    // page number other than the last one starts a new page's count).
    // Throws DocumentError when the page or the job goes over its limit.
    void add(const pdf::Page& page, std::size_t count) {
        if (page.number() != page_) {
            page_ = page.number();
            onPage_ = 0;
        }
        onPage_ += count;
        inJob_ += count;
        if (onPage_ > kMaxLinksPerPage)
            refuse(page, std::to_string(kMaxLinksPerPage) + " " + what_ +
                             " found on the page, the most one page may have");
        if (inJob_ > kMaxLinksPerJob)
            refuse(page, std::to_string(kMaxLinksPerJob) + " " + what_ +
                             " found in the document, the most one job may add");
    }

  private:
    [[noreturn]] static void refuse(const pdf::Page& page, const std::string& limit) {
        const pdf::Error::Place place = page.place();
        throw DocumentError(place.file + ": page " + std::to_string(place.page) + ": more than " +
                            limit);
    }

    std::string what_;
    int page_ = 0;
    std::size_t onPage_ = 0;
    std::size_t inJob_ = 0;
};
