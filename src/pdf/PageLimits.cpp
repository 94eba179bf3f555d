#include "pdf/PageLimits.h"

#include <mupdf/fitz.h>
#include <mupdf/pdf.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <vector>

#include "pdf/Boundary.h"
#include "pdf/Error.h"
#include "pdf/Library.h"
#include "pdf/Objects.h"
#include "pdf/text/ContentReader.h"
#include "pdf/text/PaintedText.h"

namespace pdf {
namespace {

// A JPEG 2000 image declares its size in its first bytes; a JP2 file's header boxes come
// before the codestream and are small.
constexpr std::size_t kJpxHeaderBytes = 64u << 10;
// Like MuPDF's interpreter, the pass goes on after a token it cannot read, but not for ever.
constexpr int kMaxSyntaxErrors = 100;

// ---------------------------------------------------------------------------
// A stream that passes on at most `remaining` bytes of its chain and adds what it passes to a
// counter, so that a stream inflating to gigabytes is read only up to the page's limit.

struct LimitedState {
    fz_stream* chain;
    std::size_t remaining;
    std::size_t* counter;
};

int nextLimited(fz_context* ctx, fz_stream* stm, size_t max) {
    auto* state = static_cast<LimitedState*>(stm->state);
    if (state->remaining == 0) return EOF;
    size_t n = fz_available(ctx, state->chain, max);
    if (n == 0) return EOF;
    n = std::min(n, state->remaining);
    // The chain's buffer stays valid until it is read again: on the next call.
    stm->rp = state->chain->rp;
    stm->wp = stm->rp + n;
    state->chain->rp += n;
    state->remaining -= n;
    *state->counter += n;
    stm->pos += static_cast<int64_t>(n);
    return *stm->rp++;
}

void dropLimited(fz_context* ctx, void* opaque) {
    auto* state = static_cast<LimitedState*>(opaque);
    fz_drop_stream(ctx, state->chain);
    fz_free(ctx, state);
}

std::uint32_t be32(const unsigned char* p) {
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) |
           p[3];
}

// The image size of a codestream's SIZ marker segment (after SOC), and its component count
// when the bytes reach it (else 0).
bool sizMarker(const unsigned char* p, std::size_t n, long long& width, long long& height,
               int& components) {
    if (n < 24 || p[0] != 0xFF || p[1] != 0x4F || p[2] != 0xFF || p[3] != 0x51) return false;
    const long long x = be32(p + 8), y = be32(p + 12), x0 = be32(p + 16), y0 = be32(p + 20);
    width = x > x0 ? x - x0 : 0;
    height = y > y0 ? y - y0 : 0;
    components = n >= 42 ? (p[40] << 8) | p[41] : 0;
    return true;
}

constexpr std::uint32_t boxType(const char (&name)[5]) {
    return (std::uint32_t(static_cast<unsigned char>(name[0])) << 24) |
           (std::uint32_t(static_cast<unsigned char>(name[1])) << 16) |
           (std::uint32_t(static_cast<unsigned char>(name[2])) << 8) |
           std::uint32_t(static_cast<unsigned char>(name[3]));
}

// Calls found(type, content, length) for each box in [p, p + n), as far as the bytes go.
template <typename Found>
void forEachBox(const unsigned char* p, std::size_t n, const Found& found) {
    std::size_t pos = 0;
    while (pos + 8 <= n) {
        unsigned long long length = be32(p + pos);
        const std::uint32_t type = be32(p + pos + 4);
        std::size_t header = 8;
        if (length == 1) {  // a 64-bit length follows
            if (pos + 16 > n) return;
            length =
                (static_cast<unsigned long long>(be32(p + pos + 8)) << 32) | be32(p + pos + 12);
            header = 16;
        } else if (length == 0) {  // up to the end of the file
            length = n - pos;
        }
        if (length < header) return;
        const std::size_t available = n - pos;
        const std::size_t content =
            static_cast<std::size_t>(std::min<unsigned long long>(length, available)) - header;
        found(type, p + pos + header, content);
        if (length >= available) return;
        pos += static_cast<std::size_t>(length);
    }
}

// An image's declared size as the page's pass saw it.
struct ImageSize {
    long long width = 0, height = 0;
    long long pixels() const { return width > 0 && height > 0 ? width * height : 0; }
};

// Why the pass refuses the page.
struct Refused {
    std::string reason;
};
// The page paints more forms than a page may: the reading refuses it there itself.
struct StoppedAtFormLimit {};

// ---------------------------------------------------------------------------
// The pass. MuPDF calls run in small bodies (Boundary.h); the bodies only read and write the
// plain members below.

class Pass {
  public:
    Pass(fz_context* ctx, pdf_document* doc, const PageLimits& limits)
        : ctx_(ctx), doc_(doc), limits_(limits) {
        pdf_lexbuf_init(ctx_, &lex_, PDF_LEXBUF_SMALL);
    }
    ~Pass() { pdf_lexbuf_fin(ctx_, &lex_); }
    Pass(const Pass&) = delete;
    Pass& operator=(const Pass&) = delete;

    const PageCost& cost() const { return cost_; }

    // Reads one content stream (or an array of them) whose names resolve in `resources`;
    // `level` is 0 for the page's own content, n inside n forms.
    void content(pdf_obj* contents, pdf_obj* resources, int level);
    // An annotation's or field's appearance stream.
    void appearance(pdf_obj* form, pdf_obj* pageResources);

  private:
    enum Event { kEnd, kPaint, kSelect, kInlineImage, kOperators, kBytes };

    Event lexUntilEvent(fz_stream* stm);
    void readInlineImage(fz_stream* stm);
    void paint(const char* name, pdf_obj* resources, int level);
    void select(const char* name, pdf_obj* resources, int level);
    void enter(pdf_obj* form, pdf_obj* resources, int level);
    void checkImage(pdf_obj* image, int masks);
    void checkSize(const ImageSize& size, int jpxComponents = 0);

    fz_context* ctx_;
    pdf_document* doc_;
    PageLimits limits_;
    PageCost cost_;
    pdf_lexbuf lex_;
    char name_[256] = {};          // the last name operand since the last operator
    ImageSize inline_;             // the last inline image's declared size
    std::set<int> active_;         // forms and patterns being read (object numbers)
    std::set<int> checkedImages_;  // image objects already checked
};

// PDF's byte classes: white space and delimiters end a token; every other byte is regular.
bool isPdfWhiteSpace(int c) {
    return c == 0 || c == '\t' || c == '\n' || c == '\f' || c == '\r' || c == ' ';
}
bool isPdfDelimiter(int c) {
    return c == '(' || c == ')' || c == '<' || c == '>' || c == '[' || c == ']' || c == '{' ||
           c == '}' || c == '/' || c == '%';
}
bool isRegular(int c) {
    return c != EOF && !isPdfWhiteSpace(c) && !isPdfDelimiter(c);
}
int hexDigit(int c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Words that MuPDF's lexer reads as tokens of their own, not as operators.
bool isObjectKeyword(const char* word) {
    static const char* const kWords[] = {"true", "false",   "null",     "R",
                                         "obj",  "endobj",  "stream",   "endstream",
                                         "xref", "trailer", "startxref"};
    for (const char* known : kWords)
        if (std::strcmp(word, known) == 0) return true;
    return false;
}

// The pass reads the content a buffer at a time with a scanner of its own: it needs the
// operators and the name before each, not MuPDF's tokens (numbers parsed, strings
// unescaped), which cost several times as much and are read again when the page is drawn.
Pass::Event Pass::lexUntilEvent(fz_stream* stm) {
    auto peek = [&]() -> int {
        if (stm->rp == stm->wp && fz_available(ctx_, stm, 1) == 0) return EOF;
        return *stm->rp;
    };
    auto next = [&]() -> int {
        const int c = peek();
        if (c != EOF) ++stm->rp;
        return c;
    };
    for (;;) {
        if (cost_.contentBytes > limits_.contentBytes) return kBytes;
        const int c = next();
        if (c == EOF) return kEnd;
        if (isPdfWhiteSpace(c)) continue;
        switch (c) {
            case '%':  // a comment, to the end of its line
                for (int d = peek(); d != EOF && d != '\n' && d != '\r'; d = peek()) ++stm->rp;
                continue;
            case '(': {  // a string: balanced parentheses, a backslash escapes the next byte
                int depth = 1;
                for (int d = next(); d != EOF; d = next()) {
                    if (d == '\\')
                        next();
                    else if (d == '(')
                        ++depth;
                    else if (d == ')' && --depth == 0)
                        break;
                }
                continue;
            }
            case '<':  // "<<", or a hexadecimal string
                if (peek() == '<') {
                    ++stm->rp;
                    continue;
                }
                for (int d = next(); d != EOF && d != '>'; d = next()) {
                }
                continue;
            case '/': {  // a name, "#xx" escapes decoded
                std::size_t length = 0;
                for (int d = peek(); isRegular(d); d = peek()) {
                    ++stm->rp;
                    if (d == '#') {
                        const int high = hexDigit(peek());
                        if (high >= 0) {
                            ++stm->rp;
                            const int low = hexDigit(peek());
                            if (low >= 0) {
                                ++stm->rp;
                                d = high * 16 + low;
                            } else {
                                d = high;
                            }
                        }
                    }
                    if (length < sizeof name_ - 1) name_[length++] = static_cast<char>(d);
                }
                name_[length] = 0;
                continue;
            }
            default:
                break;
        }
        if (!isRegular(c)) continue;  // ) > [ ] { }
        // A number, or a word: the operators are the words.
        char word[16];
        std::size_t length = 0;
        word[length++] = static_cast<char>(c);
        for (int d = peek(); isRegular(d); d = peek()) {
            ++stm->rp;
            if (length < sizeof word - 1) word[length++] = static_cast<char>(d);
        }
        word[length] = 0;
        if ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.') continue;
        if (isObjectKeyword(word)) continue;
        if (++cost_.operators > limits_.operators) return kOperators;
        Event event = kEnd;
        if (std::strcmp(word, "Do") == 0 && name_[0] != 0)
            event = kPaint;
        else if ((std::strcmp(word, "scn") == 0 || std::strcmp(word, "SCN") == 0) && name_[0] != 0)
            event = kSelect;
        else if (std::strcmp(word, "BI") == 0)
            event = kInlineImage;
        if (event == kInlineImage) readInlineImage(stm);
        if (event != kEnd) return event;
        name_[0] = 0;
    }
}

// Reads an inline image's dictionary up to ID and passes over its data as MuPDF's interpreter
// does: unfiltered data by its size, then up to the EI that ends it. REQUIRES: in a body.
void Pass::readInlineImage(fz_stream* stm) {
    inline_ = ImageSize();
    long long bits = 8, components = 1;
    bool filtered = false, mask = false;
    char key[32] = {};
    int nesting = 0;  // inside an array or dictionary value
    for (;;) {
        const pdf_token token = pdf_lex_no_string(ctx_, stm, &lex_);
        if (token == PDF_TOK_EOF || cost_.contentBytes > limits_.contentBytes) return;
        if (token == PDF_TOK_KEYWORD && nesting == 0 && std::strcmp(lex_.scratch, "ID") == 0) break;
        const bool filterKey = std::strcmp(key, "F") == 0 || std::strcmp(key, "Filter") == 0;
        if (token == PDF_TOK_OPEN_ARRAY || token == PDF_TOK_OPEN_DICT) {
            ++nesting;
            if (filterKey) filtered = true;
            continue;
        }
        if (token == PDF_TOK_CLOSE_ARRAY || token == PDF_TOK_CLOSE_DICT) {
            if (nesting > 0 && --nesting == 0) key[0] = 0;
            continue;
        }
        if (nesting > 0) continue;
        if (token == PDF_TOK_NAME && key[0] == 0) {
            std::strncpy(key, lex_.scratch, sizeof key - 1);
            continue;
        }
        const char* value = lex_.scratch;
        if (token == PDF_TOK_INT) {
            const long long number = lex_.i;
            if (std::strcmp(key, "W") == 0 || std::strcmp(key, "Width") == 0)
                inline_.width = number;
            if (std::strcmp(key, "H") == 0 || std::strcmp(key, "Height") == 0)
                inline_.height = number;
            if (std::strcmp(key, "BPC") == 0 || std::strcmp(key, "BitsPerComponent") == 0)
                bits = number;
        } else if (token == PDF_TOK_NAME && filterKey) {
            filtered = true;
        } else if (token == PDF_TOK_NAME &&
                   (std::strcmp(key, "CS") == 0 || std::strcmp(key, "ColorSpace") == 0)) {
            if (std::strcmp(value, "RGB") == 0 || std::strcmp(value, "DeviceRGB") == 0)
                components = 3;
            else if (std::strcmp(value, "CMYK") == 0 || std::strcmp(value, "DeviceCMYK") == 0)
                components = 4;
        } else if (token == PDF_TOK_TRUE &&
                   (std::strcmp(key, "IM") == 0 || std::strcmp(key, "ImageMask") == 0)) {
            mask = true;
        }
        key[0] = 0;
    }
    // One white-space byte (or CR LF) ends the ID operator.
    int ch = fz_read_byte(ctx_, stm);
    if (ch == '\r' && fz_peek_byte(ctx_, stm) == '\n') fz_read_byte(ctx_, stm);
    if (mask) bits = 1, components = 1;
    if (!filtered && inline_.pixels() > 0 && inline_.pixels() <= limits_.imagePixels && bits > 0 &&
        bits <= 16) {
        const long long row = (inline_.width * components * bits + 7) / 8;
        fz_skip(ctx_, stm, static_cast<size_t>(row * inline_.height));  // the limit bounds it
    }
    // EI followed by white space or a delimiter, as MuPDF finds it.
    ch = fz_read_byte(ctx_, stm);
    while (ch != EOF) {
        if (ch != 'E') {
            ch = fz_read_byte(ctx_, stm);
            continue;
        }
        ch = fz_read_byte(ctx_, stm);
        if (ch != 'I') continue;
        ch = fz_peek_byte(ctx_, stm);
        if (ch <= 32 || ch == EOF || ch == '<' || ch == '/') return;
    }
}

void Pass::content(pdf_obj* contents, pdf_obj* resources, int level) {
    StreamHandle raw(ctx_);
    StreamHandle stm(ctx_);
    // One byte past the limit tells a page at the limit from one beyond it.
    const std::size_t remaining = limits_.contentBytes + 1 - cost_.contentBytes;
    std::size_t* counter = &cost_.contentBytes;
    if (tryMupdf(ctx_, [&] {
            raw.out() = pdf_open_contents_stream(ctx_, doc_, contents);
            LimitedState* state = fz_malloc_struct(ctx_, LimitedState);
            state->chain = raw.release();
            state->remaining = remaining;
            state->counter = counter;
            stm.out() = fz_new_stream(ctx_, state, nextLimited, dropLimited);  // or drops state
        }) != 0)
        return;  // the reading reports what cannot be read
    int errors = 0;
    for (;;) {
        Event event = kEnd;
        name_[0] = 0;
        if (tryMupdf(ctx_, [&] { event = lexUntilEvent(stm.get()); }) != 0) {
            if (++errors > kMaxSyntaxErrors) return;
            continue;
        }
        switch (event) {
            case kEnd:
                return;
            case kBytes:
                throw Refused{"the page's content is more than " +
                              std::to_string(limits_.contentBytes) +
                              " bytes decompressed, the most a page may"};
            case kOperators:
                throw Refused{"the page runs more than " + std::to_string(limits_.operators) +
                              " operators, the most a page may"};
            case kInlineImage:
                checkSize(inline_);
                break;
            case kPaint: {
                const std::string name = name_;
                paint(name.c_str(), resources, level);
                break;
            }
            case kSelect: {
                const std::string name = name_;
                select(name.c_str(), resources, level);
                break;
            }
        }
    }
}

// "/name Do": an image is checked; a form is read, unless its optional content is off.
void Pass::paint(const char* name, pdf_obj* resources, int level) {
    pdf_obj* xobject = nullptr;
    pdf_obj* formResources = nullptr;
    int form = 0, image = 0, hidden = 0;
    if (tryMupdf(ctx_,
                 [&] {
                     xobject = pdf_dict_gets(ctx_, pdf_dict_get(ctx_, resources, PDF_NAME(XObject)),
                                             name);
                     if (xobject == nullptr) return;
                     pdf_obj* subtype = pdf_dict_get(ctx_, xobject, PDF_NAME(Subtype));
                     form = pdf_name_eq(ctx_, subtype, PDF_NAME(Form));
                     image = pdf_name_eq(ctx_, subtype, PDF_NAME(Image));
                     hidden = pdf_is_ocg_hidden(ctx_, doc_, resources, "View",
                                                pdf_dict_get(ctx_, xobject, PDF_NAME(OC)));
                     if (form) formResources = pdf_xobject_resources(ctx_, xobject);
                 }) != 0 ||
        xobject == nullptr || hidden)
        return;
    if (image) checkImage(xobject, 1);
    if (!form) return;
    // A form that paints itself is not painted again, by the interpreters either.
    if (active_.count(pdf_to_num(ctx_, xobject)) != 0) return;
    // Counted where both readings count them too (the text reader counts every form it is
    // asked to paint up to its depth, the recording a clip for every form it paints), so the
    // pass never counts more than they do.
    if (level < kMaxFormDepth && ++cost_.formsPainted > kMaxPageForms) throw StoppedAtFormLimit();
    enter(xobject, formResources != nullptr ? formResources : resources, level + 1);
}

// "/name scn": a tiling pattern's cell is content that every fill with it runs.
void Pass::select(const char* name, pdf_obj* resources, int level) {
    pdf_obj* pattern = nullptr;
    pdf_obj* patternResources = nullptr;
    int tiling = 0;
    if (tryMupdf(ctx_,
                 [&] {
                     pattern = pdf_dict_gets(ctx_, pdf_dict_get(ctx_, resources, PDF_NAME(Pattern)),
                                             name);
                     tiling = pdf_dict_get_int(ctx_, pattern, PDF_NAME(PatternType)) == 1 &&
                              pdf_is_stream(ctx_, pattern);
                     if (tiling)
                         patternResources = pdf_dict_get(ctx_, pattern, PDF_NAME(Resources));
                 }) != 0 ||
        !tiling)
        return;
    enter(pattern, patternResources != nullptr ? patternResources : resources, level + 1);
}

void Pass::enter(pdf_obj* form, pdf_obj* resources, int level) {
    if (level > kMaxFormNesting) {
        throw Refused{"the page nests forms more than " + std::to_string(kMaxFormNesting) +
                      " deep, the most a page may"};
    }
    const int number = pdf_to_num(ctx_, form);
    if (number != 0 && !active_.insert(number).second) return;  // painting itself
    content(form, resources, level);
    active_.erase(number);
}

void Pass::appearance(pdf_obj* form, pdf_obj* pageResources) {
    pdf_obj* resources = nullptr;
    if (tryMupdf(ctx_, [&] { resources = pdf_xobject_resources(ctx_, form); }) != 0) return;
    enter(form, resources != nullptr ? resources : pageResources, 1);
}

// masks: how many levels of /SMask and /Mask images to check as well.
void Pass::checkImage(pdf_obj* image, int masks) {
    const int number = pdf_to_num(ctx_, image);
    if (number != 0 && !checkedImages_.insert(number).second) return;
    ImageSize size;
    int jpx = 0;
    pdf_obj* softMask = nullptr;
    pdf_obj* stencil = nullptr;
    if (tryMupdf(ctx_, [&] {
            size.width = pdf_dict_get_int(ctx_, image, PDF_NAME(Width));
            size.height = pdf_dict_get_int(ctx_, image, PDF_NAME(Height));
            jpx = pdf_is_jpx_image(ctx_, image);
            softMask = pdf_dict_get(ctx_, image, PDF_NAME(SMask));
            stencil = pdf_dict_get(ctx_, image, PDF_NAME(Mask));
            if (!pdf_is_stream(ctx_, softMask)) softMask = nullptr;
            if (!pdf_is_stream(ctx_, stencil)) stencil = nullptr;
        }) != 0)
        return;
    int components = 3;  // unless the codestream says
    if (jpx) {
        // MuPDF decodes a JPEG 2000 image whole when it loads it, at the codestream's size.
        std::vector<unsigned char> header(kJpxHeaderBytes);
        unsigned char* bytes = header.data();
        std::size_t read = 0;
        StreamHandle stm(ctx_);
        if (tryMupdf(ctx_, [&] {
                stm.out() = pdf_open_stream(ctx_, image);
                read = fz_read(ctx_, stm.get(), bytes, kJpxHeaderBytes);
            }) == 0) {
            ImageSize declared;
            if (jpxDeclaredSize(bytes, read, declared.width, declared.height, &components)) {
                size.width = std::max(size.width, declared.width);
                size.height = std::max(size.height, declared.height);
            }
        }
    }
    checkSize(size, jpx != 0 ? std::max(components, 1) : 0);
    if (masks > 0) {
        if (softMask != nullptr) checkImage(softMask, masks - 1);
        if (stencil != nullptr) checkImage(stencil, masks - 1);
    }
}

// jpxComponents: the components of a JPEG 2000 image; 0 for other images.
void Pass::checkSize(const ImageSize& size, int jpxComponents) {
    const long long pixels = size.pixels();
    cost_.largestImagePixels = std::max(cost_.largestImagePixels, pixels);
    if (pixels > limits_.imagePixels) {
        throw Refused{"the page paints an image of " + std::to_string(size.width) + " x " +
                      std::to_string(size.height) + " pixels, more than the " +
                      std::to_string(limits_.imagePixels) + " an image may have"};
    }
    cost_.imagePixels += pixels;
    if (cost_.imagePixels > limits_.imagePixels) {
        throw Refused{"the page paints images of more than " + std::to_string(limits_.imagePixels) +
                      " pixels in all, the most a page may"};
    }
    if (jpxComponents == 0) return;
    // Below kMaxImagePixels (2^28) times a component count: no overflow.
    cost_.jpxDecodeBytes += pixels * jpxComponents * kJpxBytesPerSample;
    if (cost_.jpxDecodeBytes > limits_.jpxDecodeBytes) {
        throw Refused{"the page's JPEG 2000 images take more than " +
                      std::to_string(limits_.jpxDecodeBytes) +
                      " bytes to decode, the most a page's may"};
    }
}

}  // namespace

bool jpxDeclaredSize(const unsigned char* data, std::size_t size, long long& width,
                     long long& height, int* components) {
    int c = 0;
    if (sizMarker(data, size, width, height, c)) {
        if (components != nullptr) *components = c;
        return true;
    }
    bool found = false;
    long long w = 0, h = 0;
    forEachBox(data, size, [&](std::uint32_t type, const unsigned char* p, std::size_t n) {
        if (type == boxType("jp2h")) {
            forEachBox(p, n, [&](std::uint32_t inner, const unsigned char* q, std::size_t m) {
                if (inner != boxType("ihdr") || m < 8) return;
                h = std::max<long long>(h, be32(q));
                w = std::max<long long>(w, be32(q + 4));
                if (m >= 10) c = std::max(c, (q[8] << 8) | q[9]);
                found = true;
            });
        } else if (type == boxType("jp2c")) {
            long long cw = 0, ch = 0;
            int cc = 0;
            if (sizMarker(p, n, cw, ch, cc)) {
                w = std::max(w, cw);
                h = std::max(h, ch);
                c = std::max(c, cc);
                found = true;
            }
        }
    });
    if (found) {
        width = w, height = h;
        if (components != nullptr) *components = c;
    }
    return found;
}

PageCost checkPageLimits(const Page& page, const std::string& operation, const PageLimits& limits) {
    fz_context* ctx = Library::context();
    pdf_page* pdfPage = page.handle();
    Pass pass(ctx, pdfPage->doc, limits);
    try {
        pdf_obj* resources = nullptr;
        try {
            resources = objects::pageResources(pdfPage);
        } catch (const Error&) {
            // Names resolve nowhere; the reading reports what it cannot find.
        }
        pdf_obj* contents = nullptr;
        if (tryMupdf(ctx, [&] { contents = pdf_page_contents(ctx, pdfPage); }) == 0 &&
            contents != nullptr)
            pass.content(contents, resources, 0);
        std::vector<pdf_obj*> appearances;
        auto add = [&](pdf_annot* annot) {
            pdf_obj* form = nullptr;
            if (tryMupdf(ctx, [&] { form = pdf_annot_ap(ctx, annot); }) == 0 && form != nullptr)
                appearances.push_back(form);
        };
        for (pdf_annot* a = pdf_first_annot(ctx, pdfPage); a != nullptr; a = pdf_next_annot(ctx, a))
            add(a);
        for (pdf_annot* w = pdf_first_widget(ctx, pdfPage); w != nullptr;
             w = pdf_next_widget(ctx, w))
            add(w);
        for (pdf_obj* form : appearances) pass.appearance(form, resources);
    } catch (const Refused& refused) {
        throw Error(page.place(), operation, refused.reason);
    } catch (const StoppedAtFormLimit&) {
        // The reading stops at the same painting.
    }
    DocumentCost& document = page.documentCost();
    document.operators += pass.cost().operators;
    document.contentBytes += static_cast<long long>(pass.cost().contentBytes);
    const std::string ofFile =
        ", the most a file of " + std::to_string(document.fileBytes) + " bytes may";
    if (document.operators > document.mostOperators()) {
        throw Error(page.place(), operation,
                    "the document's pages run more than " +
                        std::to_string(document.mostOperators()) + " operators" + ofFile);
    }
    if (document.contentBytes > document.mostContentBytes()) {
        throw Error(page.place(), operation,
                    "the document's pages' content is more than " +
                        std::to_string(document.mostContentBytes()) + " bytes decompressed" +
                        ofFile);
    }
    return pass.cost();
}

}  // namespace pdf
