// PageContentCache — what recognition reads of each page, read once per job.
//
// A recognition job runs many expressions over the same pages; each page's
// reading-order text (TextPage.h, kept in its searchable form only) and text
// elements (content order, TextContent.h) are read the first time they are
// asked for and kept for the rest of the job.
//
// Ownership: borrows the document, which must outlive the cache.
// Throws pdf::Error naming file and page.
#pragma once

#include <map>
#include <memory>
#include <vector>

#include "pdf/Document.h"
#include "pdf/Page.h"
#include "pdf/TextContent.h"
#include "pdf/TextSearch.h"

class PageContentCache {
  public:
    explicit PageContentCache(const pdf::Document& document) : document_(document) {}

    // REQUIRES: 1 <= number <= page count.
    const pdf::Page& page(int number);
    const std::vector<pdf::TextElement>& elements(int number);
    const pdf::SearchableText& text(int number);

    const pdf::Document& document() const { return document_; }

  private:
    struct Entry {
        std::unique_ptr<pdf::Page> page;
        std::unique_ptr<std::vector<pdf::TextElement>> elements;
        std::unique_ptr<pdf::SearchableText> text;
    };
    Entry& entry(int number);

    const pdf::Document& document_;
    std::map<int, Entry> entries_;
};
