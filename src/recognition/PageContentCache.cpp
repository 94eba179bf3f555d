#include "recognition/PageContentCache.h"

PageContentCache::Entry& PageContentCache::entry(int number) {
    Entry& e = entries_[number];
    if (!e.page) e.page = std::make_unique<pdf::Page>(document_.page(number));
    return e;
}

const pdf::Page& PageContentCache::page(int number) {
    return *entry(number).page;
}

const std::vector<pdf::TextElement>& PageContentCache::elements(int number) {
    Entry& e = entry(number);
    if (!e.elements) {
        e.elements = std::make_unique<std::vector<pdf::TextElement>>(
            pdf::readTextElements(document_, *e.page));
    }
    return *e.elements;
}

const pdf::SearchableText& PageContentCache::text(int number) {
    Entry& e = entry(number);
    if (!e.text) {
        e.text = std::make_unique<pdf::SearchableText>(pdf::searchableText(pdf::TextPage(*e.page)));
    }
    return *e.text;
}
