#include "pdf/TextContent.h"

#include <mupdf/fitz.h>
#include <mupdf/pdf.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <set>

#include "pdf/Error.h"
#include "pdf/Library.h"
#include "pdf/Objects.h"

namespace pdf {
namespace {

// Forms nested deeper than any real file; the limit keeps a form that
// paints itself from looping.
constexpr int kMaxFormDepth = 16;

// ---------------------------------------------------------------------------
// MuPDF primitives, each its own error boundary.

fz_stream* openContents(pdf_document* doc, pdf_page* page) {
    fz_context* ctx = Library::context();
    fz_stream* stream = nullptr;
    int failed = 0;
    fz_var(stream);
    fz_try(ctx) {
        stream = pdf_open_contents_stream(ctx, doc, pdf_page_contents(ctx, page));
    }
    fz_catch(ctx) {
        failed = 1;
    }
    if (failed) Library::throwCaught("cannot open page content");
    return stream;
}

// nullptr when the form's stream cannot be opened.
fz_stream* openForm(pdf_obj* form) {
    fz_context* ctx = Library::context();
    fz_stream* stream = nullptr;
    fz_var(stream);
    fz_try(ctx) {
        stream = pdf_open_stream(ctx, form);
    }
    fz_catch(ctx) {
        stream = nullptr;
    }
    return stream;
}

struct StreamDrop {
    void operator()(fz_stream* s) const { fz_drop_stream(Library::context(), s); }
};
using StreamHandle = std::unique_ptr<fz_stream, StreamDrop>;

struct ObjDrop {
    void operator()(pdf_obj* o) const { pdf_drop_obj(Library::context(), o); }
};
using ObjHandle = std::unique_ptr<pdf_obj, ObjDrop>;

struct FontDrop {
    void operator()(pdf_font_desc* f) const { pdf_drop_font(Library::context(), f); }
};
using FontHandle = std::unique_ptr<pdf_font_desc, FontDrop>;

// PDF_TOK_ERROR on a lexing failure, which ends the stream's walk.
pdf_token lex(fz_stream* stream, pdf_lexbuf* buffer) {
    fz_context* ctx = Library::context();
    pdf_token token = PDF_TOK_ERROR;
    fz_try(ctx) {
        token = pdf_lex(ctx, stream, buffer);
    }
    fz_catch(ctx) {
        token = PDF_TOK_ERROR;
    }
    return token;
}

// An array or dictionary operand following its opening token; nullptr when
// it cannot be parsed.
pdf_obj* parseComposite(pdf_document* doc, fz_stream* stream, pdf_lexbuf* buffer, bool array) {
    fz_context* ctx = Library::context();
    pdf_obj* obj = nullptr;
    fz_var(obj);
    fz_try(ctx) {
        obj = array ? pdf_parse_array(ctx, doc, stream, buffer)
                    : pdf_parse_dict(ctx, doc, stream, buffer);
    }
    fz_catch(ctx) {
        obj = nullptr;
    }
    return obj;
}

// Skips inline image data after "ID": up to and including the "EI" that
// follows white space and is followed by white space or the end.
void skipInlineImage(fz_stream* stream) {
    fz_context* ctx = Library::context();
    fz_try(ctx) {
        int previous = ' ';
        int c = fz_read_byte(ctx, stream);  // the single white space after ID
        while ((c = fz_read_byte(ctx, stream)) != EOF) {
            if (c == 'E' &&
                (previous == ' ' || previous == '\n' || previous == '\r' || previous == '\t')) {
                int i = fz_peek_byte(ctx, stream);
                if (i == 'I') {
                    fz_read_byte(ctx, stream);
                    int after = fz_peek_byte(ctx, stream);
                    if (after == EOF || after == ' ' || after == '\n' || after == '\r' ||
                        after == '\t')
                        break;
                }
            }
            previous = c;
        }
    }
    fz_catch(ctx) {}
}

pdf_font_desc* loadFont(pdf_document* doc, pdf_obj* resources, pdf_obj* font) {
    fz_context* ctx = Library::context();
    pdf_font_desc* desc = nullptr;
    fz_var(desc);
    fz_try(ctx) {
        desc = pdf_load_font(ctx, doc, resources, font);
    }
    fz_catch(ctx) {
        desc = nullptr;
    }
    return desc;
}

// ---------------------------------------------------------------------------

struct Font {
    FontHandle desc;
    double ascent = 0.8;  // em units above the baseline
    double descent = -0.2;
};

// Ascent and descent of the standard fonts, which files name without a
// descriptor; the built-in substitutes' own metrics are taller. Values in
// ems, as the fonts' published metrics give them.
struct StandardMetrics {
    double ascent = 0;
    double descent = 0;
};

StandardMetrics standardMetrics(const char* name) {
    std::string n = name != nullptr ? name : "";
    if (n.size() > 7 && n[6] == '+') n = n.substr(7);  // subset tag
    if (n.find("Courier") != std::string::npos) return {0.629, -0.157};
    if (n.find("Times") != std::string::npos) return {0.683, -0.217};
    if (n.find("Helvetica") != std::string::npos || n.find("Arial") != std::string::npos)
        return {0.718, -0.207};
    return {};
}

struct TextState {
    double charSpacing = 0;
    double wordSpacing = 0;
    double horizontalScale = 1;
    double leading = 0;
    double rise = 0;
    std::shared_ptr<Font> font;
    double fontSize = 0;
};

struct GraphicsState {
    Matrix ctm;
    TextState text;
};

struct Operand {
    enum class Kind { Number, String, Name, Array } kind = Kind::Number;
    double number = 0;
    std::string bytes;  // string bytes or name
    std::shared_ptr<pdf_obj> array;

    static Operand numeric(double value) {
        Operand op;
        op.number = value;
        return op;
    }
};

Matrix translation(double x, double y) {
    return {1, 0, 0, 1, x, y};
}

class Interpreter {
  public:
    Interpreter(pdf_document* doc, std::vector<TextElement>& out) : doc_(doc), out_(out) {}

    void run(fz_stream* stream, pdf_obj* resources, const Matrix& ctm, int depth) {
        GraphicsState initial;
        initial.ctm = ctm;
        std::vector<GraphicsState> stack{initial};
        std::vector<Operand> operands;
        pdf_lexbuf_large buffer;
        pdf_lexbuf_init(Library::context(), &buffer.base, PDF_LEXBUF_LARGE);
        struct BufferFin {
            pdf_lexbuf* b;
            ~BufferFin() { pdf_lexbuf_fin(Library::context(), b); }
        } fin{&buffer.base};

        Matrix textMatrix, lineMatrix;
        for (;;) {
            pdf_token token = lex(stream, &buffer.base);
            if (token == PDF_TOK_EOF || token == PDF_TOK_ERROR) break;
            switch (token) {
                case PDF_TOK_INT:
                    operands.push_back(Operand::numeric(static_cast<double>(buffer.base.i)));
                    break;
                case PDF_TOK_REAL:
                    operands.push_back(Operand::numeric(buffer.base.f));
                    break;
                case PDF_TOK_STRING: {
                    Operand op;
                    op.kind = Operand::Kind::String;
                    op.bytes.assign(buffer.base.scratch, buffer.base.len);
                    operands.push_back(std::move(op));
                    break;
                }
                case PDF_TOK_NAME: {
                    Operand op;
                    op.kind = Operand::Kind::Name;
                    op.bytes = buffer.base.scratch;
                    operands.push_back(std::move(op));
                    break;
                }
                case PDF_TOK_OPEN_ARRAY: {
                    pdf_obj* array = parseComposite(doc_, stream, &buffer.base, true);
                    Operand op;
                    op.kind = Operand::Kind::Array;
                    op.array.reset(array, ObjDrop());
                    operands.push_back(std::move(op));
                    break;
                }
                case PDF_TOK_OPEN_DICT:
                    ObjHandle(parseComposite(doc_, stream, &buffer.base, false));
                    operands.push_back({});
                    break;
                case PDF_TOK_KEYWORD: {
                    std::string op = buffer.base.scratch;
                    if (op == "BI") {
                        skipToImageData(stream, &buffer.base);
                        skipInlineImage(stream);
                    } else {
                        execute(op, operands, stack, textMatrix, lineMatrix, resources, depth);
                    }
                    operands.clear();
                    break;
                }
                default:
                    operands.push_back({});
                    break;
            }
        }
    }

  private:
    // Reads the inline image's dictionary up to its "ID" keyword.
    void skipToImageData(fz_stream* stream, pdf_lexbuf* buffer) {
        for (;;) {
            pdf_token token = lex(stream, buffer);
            if (token == PDF_TOK_EOF || token == PDF_TOK_ERROR) return;
            if (token == PDF_TOK_KEYWORD && std::string(buffer->scratch) == "ID") return;
        }
    }

    static double number(const std::vector<Operand>& operands, size_t fromEnd) {
        if (operands.size() < fromEnd) return 0;
        const Operand& op = operands[operands.size() - fromEnd];
        return op.kind == Operand::Kind::Number ? op.number : 0;
    }

    void execute(const std::string& op, std::vector<Operand>& operands,
                 std::vector<GraphicsState>& stack, Matrix& tm, Matrix& tlm, pdf_obj* resources,
                 int depth) {
        GraphicsState& gs = stack.back();
        TextState& ts = gs.text;
        auto n = [&](size_t fromEnd) { return number(operands, fromEnd); };
        if (op == "q") {
            stack.push_back(gs);
        } else if (op == "Q") {
            if (stack.size() > 1) stack.pop_back();
        } else if (op == "cm" && operands.size() >= 6) {
            gs.ctm = Matrix{n(6), n(5), n(4), n(3), n(2), n(1)}.then(gs.ctm);
        } else if (op == "BT") {
            tm = tlm = Matrix();
        } else if (op == "Tm" && operands.size() >= 6) {
            tm = tlm = Matrix{n(6), n(5), n(4), n(3), n(2), n(1)};
        } else if (op == "Td" && operands.size() >= 2) {
            tm = tlm = translation(n(2), n(1)).then(tlm);
        } else if (op == "TD" && operands.size() >= 2) {
            ts.leading = -n(1);
            tm = tlm = translation(n(2), n(1)).then(tlm);
        } else if (op == "T*") {
            tm = tlm = translation(0, -ts.leading).then(tlm);
        } else if (op == "Tc" && !operands.empty()) {
            ts.charSpacing = n(1);
        } else if (op == "Tw" && !operands.empty()) {
            ts.wordSpacing = n(1);
        } else if (op == "Tz" && !operands.empty()) {
            ts.horizontalScale = n(1) / 100.0;
        } else if (op == "TL" && !operands.empty()) {
            ts.leading = n(1);
        } else if (op == "Ts" && !operands.empty()) {
            ts.rise = n(1);
        } else if (op == "Tf" && operands.size() >= 2) {
            ts.fontSize = n(1);
            const Operand& name = operands[operands.size() - 2];
            ts.font = font(resources, name.bytes);
        } else if (op == "Tj" && !operands.empty()) {
            show(operands.back(), gs, tm, depth);
        } else if (op == "TJ" && !operands.empty()) {
            show(operands.back(), gs, tm, depth);
        } else if (op == "'" && !operands.empty()) {
            tm = tlm = translation(0, -ts.leading).then(tlm);
            show(operands.back(), gs, tm, depth);
        } else if (op == "\"" && operands.size() >= 3) {
            ts.wordSpacing = n(3);
            ts.charSpacing = n(2);
            tm = tlm = translation(0, -ts.leading).then(tlm);
            show(operands.back(), gs, tm, depth);
        } else if (op == "Do" && !operands.empty() && operands.back().kind == Operand::Kind::Name) {
            paintForm(resources, operands.back().bytes, gs.ctm, depth);
        }
    }

    std::shared_ptr<Font> font(pdf_obj* resources, const std::string& name) {
        pdf_obj* dict = objects::get(objects::get(resources, "Font"), name.c_str());
        if (dict == nullptr) return nullptr;
        int number = objects::objectNumber(dict);
        if (number != 0) {
            auto cached = fonts_.find(number);
            if (cached != fonts_.end()) return cached->second;
        }
        auto font = std::make_shared<Font>();
        font->desc.reset(loadFont(doc_, resources, dict));
        if (font->desc) {
            // The file's own descriptor first, then the published metrics of
            // a standard font, then the font program's (MuPDF fills the
            // descriptor's fields from it when the file has none).
            const pdf_font_desc* d = font->desc.get();
            pdf_obj* descriptor = objects::get(dict, "FontDescriptor");
            if (descriptor == nullptr) {
                pdf_obj* descendants = objects::get(dict, "DescendantFonts");
                descriptor = objects::get(objects::at(descendants, 0), "FontDescriptor");
            }
            double fileAscent = objects::toReal(objects::get(descriptor, "Ascent")) / 1000.0;
            double fileDescent = objects::toReal(objects::get(descriptor, "Descent")) / 1000.0;
            StandardMetrics standard = standardMetrics(fz_font_name(Library::context(), d->font));
            if (fileAscent > 0 && fileAscent < 2 && fileDescent <= 0 && fileDescent > -1) {
                font->ascent = fileAscent;
                font->descent = fileDescent;
            } else if (standard.ascent > 0) {
                font->ascent = standard.ascent;
                font->descent = standard.descent;
            } else if (d->ascent > 0 && d->ascent < 2000 && d->descent <= 0 && d->descent > -1000) {
                font->ascent = d->ascent / 1000.0;
                font->descent = d->descent / 1000.0;
            }
        }
        if (number != 0) fonts_[number] = font;
        return font;
    }

    // One text-showing operator: a string, or a TJ array of strings and
    // position adjustments.
    void show(const Operand& operand, const GraphicsState& gs, Matrix& tm, int depth) {
        const TextState& ts = gs.text;
        TextElement element;
        element.ctm = gs.ctm;
        element.textMatrix = tm;
        element.fontSize = ts.fontSize;
        element.formDepth = depth;
        double advance = 0;  // along the baseline, in text space
        auto showBytes = [&](const unsigned char* s, size_t length) {
            pdf_font_desc* desc = ts.font ? ts.font->desc.get() : nullptr;
            size_t i = 0;
            while (i < length) {
                TextGlyph glyph;
                unsigned int code = s[i];
                int consumed = 1;
                double width = 0.5;
                if (desc != nullptr) {
                    consumed = pdf_decode_cmap(desc->encoding, const_cast<unsigned char*>(s + i),
                                               const_cast<unsigned char*>(s + length), &code);
                    if (consumed < 1) consumed = 1;
                    int cid = pdf_lookup_cmap(desc->encoding, code);
                    if (cid < 0) cid = 0;
                    glyph.unicode = unicodeOf(desc, cid);
                    width = pdf_lookup_hmtx(Library::context(), desc, cid).w / 1000.0;
                }
                glyph.code = code;
                glyph.x = advance;
                glyph.y = ts.rise;
                double spacing =
                    ts.charSpacing + (consumed == 1 && code == 32 ? ts.wordSpacing : 0);
                double glyphAdvance = (width * ts.fontSize + spacing) * ts.horizontalScale;
                addToBox(element, glyph.x, width * ts.fontSize * ts.horizontalScale, ts);
                element.glyphs.push_back(glyph);
                advance += glyphAdvance;
                i += static_cast<size_t>(consumed);
            }
        };
        if (operand.kind == Operand::Kind::String) {
            showBytes(reinterpret_cast<const unsigned char*>(operand.bytes.data()),
                      operand.bytes.size());
        } else if (operand.kind == Operand::Kind::Array && operand.array) {
            pdf_obj* array = operand.array.get();
            for (int i = 0, count = objects::length(array); i < count; ++i) {
                pdf_obj* item = objects::at(array, i);
                if (objects::isString(item)) {
                    std::string bytes = objects::toBytes(item);
                    showBytes(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
                } else {
                    advance -= objects::toReal(item) / 1000.0 * ts.fontSize * ts.horizontalScale;
                }
            }
        } else {
            return;
        }
        tm = translation(advance, 0).then(tm);
        if (!element.glyphs.empty()) {
            element.bbox = boxes_.empty() ? Rect() : unionOf(element);
            out_.push_back(std::move(element));
        }
        boxes_.clear();
    }

    static int unicodeOf(pdf_font_desc* desc, int cid) {
        int buffer[8];
        int length = 0;
        if (desc->to_unicode != nullptr)
            length = pdf_lookup_cmap_full(desc->to_unicode, cid, buffer);
        if (length == 0 && cid >= 0 && static_cast<size_t>(cid) < desc->cid_to_ucs_len) {
            buffer[0] = desc->cid_to_ucs[cid];
            length = 1;
        }
        if (length <= 0 || buffer[0] == 0) return 0xFFFD;
        return buffer[0];
    }

    // Glyph boxes run from the origin over the advance width and from the
    // font's descent to its ascent, in text space.
    void addToBox(const TextElement& element, double x, double width, const TextState& ts) {
        double y0 = ts.rise + (ts.font ? ts.font->descent : -0.2) * ts.fontSize;
        double y1 = ts.rise + (ts.font ? ts.font->ascent : 0.8) * ts.fontSize;
        Matrix toUser = element.textMatrix.then(element.ctm);
        boxes_.push_back(toUser.apply(Rect{std::min(x, x + width), std::min(y0, y1),
                                           std::max(x, x + width), std::max(y0, y1)}));
    }

    Rect unionOf(const TextElement&) const {
        Rect box = boxes_.front();
        for (const Rect& r : boxes_) {
            box.x0 = std::min(box.x0, r.x0);
            box.y0 = std::min(box.y0, r.y0);
            box.x1 = std::max(box.x1, r.x1);
            box.y1 = std::max(box.y1, r.y1);
        }
        return box;
    }

    void paintForm(pdf_obj* resources, const std::string& name, const Matrix& ctm, int depth) {
        if (depth >= kMaxFormDepth) return;
        pdf_obj* form = objects::get(objects::get(resources, "XObject"), name.c_str());
        if (form == nullptr || !objects::isName(objects::get(form, "Subtype"), "Form")) return;
        int number = objects::objectNumber(form);
        if (number != 0 && !active_.insert(number).second) return;  // paints itself
        pdf_obj* matrixArray = objects::get(form, "Matrix");
        Matrix formMatrix;
        if (objects::length(matrixArray) == 6) {
            double v[6];
            for (int i = 0; i < 6; ++i) v[i] = objects::toReal(objects::at(matrixArray, i));
            formMatrix = {v[0], v[1], v[2], v[3], v[4], v[5]};
        }
        pdf_obj* formResources = objects::get(form, "Resources");
        StreamHandle stream(openForm(form));
        if (stream) {
            run(stream.get(), formResources != nullptr ? formResources : resources,
                formMatrix.then(ctm), depth + 1);
        }
        if (number != 0) active_.erase(number);
    }

    pdf_document* doc_;
    std::vector<TextElement>& out_;
    std::map<int, std::shared_ptr<Font>> fonts_;
    std::set<int> active_;
    std::vector<Rect> boxes_;
};

}  // namespace

std::vector<TextElement> readTextElements(const Document& document, const Page& page) {
    std::vector<TextElement> elements;
    try {
        StreamHandle stream(openContents(document.handle(), page.handle()));
        pdf_obj* resources = objects::pageResources(page.handle());
        Interpreter interpreter(document.handle(), elements);
        interpreter.run(stream.get(), resources, Matrix(), 0);
    } catch (const Error& e) {
        throw Error(page.describe() + ": text content: " + e.what());
    }
    return elements;
}

}  // namespace pdf
