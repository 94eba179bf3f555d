// What interpreting one page may cost, checked before the page is interpreted.
//
// Both readings of a page, the recording of its drawing (RecordedPage.h) and the reading of
// its text (PaintedText.h), first pass checkPageLimits over it: one cheap pass that
// decompresses and tokenises what the page's interpretation would read, and refuses the page
// when it exceeds a limit, before MuPDF spends the time or the memory:
//
//   - kMaxPageContentBytes: decompressed content bytes, summed over the page's content
//     streams, every painting of a form (a form painted 1,000 times counts 1,000 times), the
//     tiling patterns it selects and its annotations' appearances. Reading stops one byte past
//     the limit, so a stream that inflates to gigabytes costs no more than the limit.
//   - kMaxPageOperators: operators of all kinds (not only those that draw), counted as the
//     content bytes are.
//   - kMaxImagePixels: width x height of the images the page paints (XObjects, inline images,
//     their masks), from the size the file declares (the dictionary's /Width and /Height),
//     summed over the page's images: four images just under a limit for one are four times
//     the cost.
//   - kMaxJpxDecodeBytes: what decoding the page's JPEG 2000 images takes, summed: MuPDF
//     decodes such an image whole as soon as it loads it, through OpenJPEG, whose memory
//     MuPDF does not count (Budgets.h); at kJpxBytesPerSample bytes for each sample of the
//     larger of the dictionary's size and the codestream's own (its SIZ marker, or the JP2
//     ihdr box), which is what the decoder allocates for.
//   - kMaxFormNesting: forms painting forms nested deeper than this (the interpreters recurse
//     once per level).
//
// The pass follows the interpreter: forms whose /OC switches them off are not painted and not
// counted; a form that paints itself is not entered again. Once the page has painted more
// than kMaxPageForms forms (PaintedText.h), the pass stops without refusing: the reading that
// follows refuses the page at that same painting (the text reader counts forms; the recording
// counts every form as a clip, kMaxPageClips), so what it reads up to there is what was
// checked.
//
// The document's pages together (every pass of the job over a page of it counted): at most
// kMaxPageOperators and kMaxPageContentBytes more than kJobOperatorsPerFileByte and
// kJobContentBytesPerFileByte times the file's size. A page's work comes from its file's bytes;
// pages that share their content (twenty pages painting one stream of ten million operators)
// would multiply one page's limit by the page count without the file growing.
//
// Measured on the real-world corpus, the largest page content is a few hundred kilobytes
// decompressed and a few hundred thousand operators; the limits are two orders of magnitude
// above that, and a page at the limits is read in seconds.
//
// Throws pdf::Error(page.place(), operation, reason) when the page exceeds a limit, e.g.
//     "a.pdf: page 3: cannot render: the page runs more than 10000000 operators, the most a
//      page may"
// A stream that cannot be read is passed over: the reading reports it, as before.
#pragma once

#include <cstddef>
#include <string>

#include "pdf/Page.h"

namespace pdf {

// 64 MiB: two orders of magnitude above the densest real page (a map, a large table), and
// read (inflated and tokenised) in about a quarter of a second.
constexpr std::size_t kMaxPageContentBytes = 64u << 20;
// 10 million operators take MuPDF two to three seconds to interpret; real pages run at most
// a few hundred thousand.
constexpr long kMaxPageOperators = 10000000;
// 2^28 pixels (16384 x 16384) on a page: the corpus's largest image is a 1-bit scan of
// 9258 x 12259 (113 M). MuPDF decodes other images lazily, scaled down to what is drawn, but
// still inflates all their samples: a few bytes declaring 60000 x 60000 pixels would take
// minutes.
constexpr long long kMaxImagePixels = 1ll << 28;
// OpenJPEG holds each sample as a 32-bit number, and MuPDF copies the image into a pixmap of a
// byte a sample: 5 bytes a sample, measured as 962 MB for 8000 x 8000 RGB.
constexpr long long kJpxBytesPerSample = 5;
// 256 MiB: an A4 page scanned at 300 dpi in colour (26 M samples) or at 600 dpi in grey (35 M)
// fits; 8000 x 8000 in colour (192 M samples, a 340-byte codestream) does not.
constexpr long long kMaxJpxDecodeBytes = 256ll << 20;
// A page's work comes from a few bytes of its file at most a thousandth of the time (a form
// of a logo painted on every page); these leave a hundredfold margin.
constexpr long long kJobOperatorsPerFileByte = 64;
constexpr long long kJobContentBytesPerFileByte = 256;
// Real files nest forms a handful of levels deep.
constexpr int kMaxFormNesting = 64;

struct PageLimits {
    std::size_t contentBytes = kMaxPageContentBytes;
    long operators = kMaxPageOperators;
    long long imagePixels = kMaxImagePixels;
    long long jpxDecodeBytes = kMaxJpxDecodeBytes;
};

// What the passes over a document's pages counted together, and what they may: each Document
// keeps one for its pages (REQUIRES: used on the document's thread).
struct DocumentCost {
    long long fileBytes = 0;
    long long operators = 0;
    long long contentBytes = 0;

    long long mostOperators() const {
        return kMaxPageOperators + kJobOperatorsPerFileByte * fileBytes;
    }
    long long mostContentBytes() const {
        return static_cast<long long>(kMaxPageContentBytes) +
               kJobContentBytesPerFileByte * fileBytes;
    }
};

// What the pass counted on a page that passed.
struct PageCost {
    std::size_t contentBytes = 0;
    long operators = 0;
    long formsPainted = 0;
    long long largestImagePixels = 0;  // width x height of the largest image painted
    long long imagePixels = 0;         // of all images painted, each counted once
    long long jpxDecodeBytes = 0;
};

// Adds the page's cost to its document's (Page::documentCost), and refuses the page when the
// document's pages together pass their limit.
// REQUIRES: on the thread that opened the page's document. Throws pdf::Error as above.
PageCost checkPageLimits(const Page& page, const std::string& operation,
                         const PageLimits& limits = PageLimits());

// The width and height a JPEG 2000 image declares in its first bytes: the codestream's SIZ
// marker (a raw codestream, or the JP2 file's contiguous codestream box), else the JP2 header's
// ihdr box; false when neither lies within the bytes given. `components`, when given, gets
// the number of components the same place declares. For the layer's own units.
bool jpxDeclaredSize(const unsigned char* data, std::size_t size, long long& width,
                     long long& height, int* components = nullptr);

}  // namespace pdf
