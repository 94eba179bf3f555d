#include "document/SearchText.h"

#include <cstdio>
#include <utility>

#include "document/JsonString.h"
#include "document/OutputFile.h"

namespace {

void writeWhole(const std::string& path, const std::string& bytes) {
    OutputFile out(path);
    std::fwrite(bytes.data(), 1, bytes.size(), out.stream());
    out.finish(OutputFile::Flush::ByCaller);
    out.rename();
}

}  // namespace

SearchTextWriter::SearchTextWriter(std::string dir, std::size_t partBytes, int partPages)
    : dir_(std::move(dir)), partBytes_(partBytes), partPages_(partPages) {}

void SearchTextWriter::addPage(int number, const std::vector<std::string>& lines) {
    std::string entry = "[" + std::to_string(number) + ",";
    std::string joined;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) joined += '\n';
        joined += lines[i];
    }
    appendJsonString(entry, joined);
    entry += ']';
    if (pagesWaiting_ > 0 &&
        (entryBytes_ + entry.size() > partBytes_ || pagesWaiting_ >= partPages_)) {
        writePart();
    }
    if (pagesWaiting_ == 0) firstWaiting_ = number;
    if (pagesWaiting_ > 0) entries_ += ',';
    entries_ += entry;
    entryBytes_ += entry.size();
    ++pagesWaiting_;
    lastWaiting_ = number;
}

void SearchTextWriter::writePart() {
    ++partsWritten_;
    writeWhole(dir_ + "search-" + std::to_string(partsWritten_) + ".json",
               "{\"v\":1,\"pages\":[" + entries_ + "]}\n");
    if (!index_.empty()) index_ += ',';
    index_ += "[" + std::to_string(firstWaiting_) + "," + std::to_string(lastWaiting_) + "]";
    entries_.clear();
    entryBytes_ = 0;
    pagesWaiting_ = 0;
}

void SearchTextWriter::finish() {
    if (pagesWaiting_ > 0) writePart();
    writeWhole(dir_ + "search.json", "{\"v\":2,\"parts\":[" + index_ + "]}\n");
}
