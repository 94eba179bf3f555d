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
//   - kMaxImagePixels: width x height of every image the page paints (XObjects, inline images,
//     their masks), from the size the file declares: the dictionary's /Width and /Height.
//   - kMaxJpxImagePixels: the same for JPEG 2000 images, which MuPDF decodes whole as soon as
//     it loads them, from the larger of the dictionary's size and the codestream's own header
//     (its SIZ marker, or the JP2 ihdr box), which is what the decoder allocates for.
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
// 2^28 pixels (16384 x 16384): the corpus's largest image is a 1-bit scan of 9258 x 12259
// (113 M). MuPDF decodes other images lazily, scaled down to what is drawn, but still inflates
// all their samples: a few bytes declaring 60000 x 60000 pixels would take minutes.
constexpr long long kMaxImagePixels = 1ll << 28;
// 2^26 pixels (8192 x 8192) for JPEG 2000, which MuPDF decodes whole, at full size, as soon as
// the image is loaded, at about 15 bytes a pixel of RGB: 1 GB at this limit. An A4 page scanned
// at 600 dpi (35 M) fits; a 500-byte codestream declaring 60000 x 60000 pixels does not.
constexpr long long kMaxJpxImagePixels = 1ll << 26;
// Real files nest forms a handful of levels deep.
constexpr int kMaxFormNesting = 64;

struct PageLimits {
    std::size_t contentBytes = kMaxPageContentBytes;
    long operators = kMaxPageOperators;
    long long imagePixels = kMaxImagePixels;
    long long jpxImagePixels = kMaxJpxImagePixels;
};

// What the pass counted on a page that passed.
struct PageCost {
    std::size_t contentBytes = 0;
    long operators = 0;
    long formsPainted = 0;
    long long largestImagePixels = 0;  // width x height of the largest image painted
};

// REQUIRES: on the thread that opened the page's document. Throws pdf::Error as above.
PageCost checkPageLimits(const Page& page, const std::string& operation,
                         const PageLimits& limits = PageLimits());

// The width and height a JPEG 2000 image declares in its first bytes: the codestream's SIZ
// marker (a raw codestream, or the JP2 file's contiguous codestream box), else the JP2 header's
// ihdr box; false when neither lies within the bytes given. For the layer's own units.
bool jpxDeclaredSize(const unsigned char* data, std::size_t size, long long& width,
                     long long& height);

}  // namespace pdf
