#include "pdf/text/PaintedText.h"

#include <mupdf/fitz.h>
#include <mupdf/pdf.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "pdf/Boundary.h"
#include "pdf/Error.h"
#include "pdf/Library.h"
#include "pdf/Objects.h"
#include "pdf/PageClock.h"
#include "pdf/PageLimits.h"
#include "pdf/text/ContentReader.h"
#include "pdf/text/DrawnUnderscores.h"

namespace pdf {
namespace {

// ---------------------------------------------------------------------------
// The processor: MuPDF calls these from inside its interpreter. A C++
// exception must not cross MuPDF's C frames, so each callback runs its body
// under guard(), which turns any exception into a MuPDF error after the
// body's frame is gone.

struct Processor {
    pdf_processor super;
    ContentReader* reader;
};

ContentReader& readerOf(pdf_processor* proc) {
    return *reinterpret_cast<Processor*>(proc)->reader;
}

bool hiddenContent(pdf_processor* proc) {
    return proc->hidden > 0;
}

template <typename Body>
void guard(fz_context* ctx, const Body& body) {
    int failure = 0;
    try {
        body();
    } catch (const WorkLimitExceeded&) {
        failure = FZ_ERROR_ABORT;  // ends the whole reading, forms and all
    } catch (...) {
        failure = FZ_ERROR_GENERIC;
    }
    if (failure != 0) fz_throw(ctx, failure, "cannot read the page's text");
}

// Graphics state.
void opQ(fz_context*, pdf_processor* proc) {
    readerOf(proc).restore();
}
void opq(fz_context* ctx, pdf_processor* proc) {
    guard(ctx, [&] { readerOf(proc).save(); });
}
void opcm(fz_context*, pdf_processor* proc, float a, float b, float c, float d, float e, float f) {
    readerOf(proc).concat({a, b, c, d, e, f});
}
void opgsBM(fz_context*, pdf_processor* proc, const char* mode) {
    readerOf(proc).gs().blendNormal =
        mode == nullptr || std::strcmp(mode, "Normal") == 0 || std::strcmp(mode, "Compatible") == 0;
}
void opgsca(fz_context*, pdf_processor* proc, float alpha) {
    readerOf(proc).gs().fillAlpha = alpha;
}
void opw(fz_context*, pdf_processor* proc, float width) {
    readerOf(proc).gs().lineWidth = width;
}
void opgsSMask(fz_context*, pdf_processor* proc, pdf_obj* smask, pdf_obj*, float*, int) {
    readerOf(proc).gs().softMask = smask != nullptr;
}

// Paths.
void opm(fz_context*, pdf_processor* proc, float x, float y) {
    PathProbe& p = readerOf(proc).path();
    p.beginSubpath(x, y);
    p.add(x, y);
    if (p.subpaths > 1) return;
    p.points[p.count++] = fz_make_point(x, y);
}
void opl(fz_context*, pdf_processor* proc, float x, float y) {
    PathProbe& p = readerOf(proc).path();
    p.add(x, y);
    if (p.subpaths > 1) p.lineTo(fz_make_point(x, y));
    p.current = fz_make_point(x, y);
    if (p.subpaths == 1) {
        if (p.count < 6) p.points[p.count] = fz_make_point(x, y);
        ++p.count;
    } else if (p.subpaths == 0) {
        p.curved = true;  // a line without a start: not a shape we can judge
    }
}
void opc(fz_context*, pdf_processor* proc, float x1, float y1, float x2, float y2, float x3,
         float y3) {
    PathProbe& p = readerOf(proc).path();
    p.add(x1, y1), p.add(x2, y2), p.add(x3, y3);
    p.current = fz_make_point(x3, y3);
    p.curved = true;
}
void opv(fz_context*, pdf_processor* proc, float x2, float y2, float x3, float y3) {
    PathProbe& p = readerOf(proc).path();
    p.add(x2, y2), p.add(x3, y3);
    p.current = fz_make_point(x3, y3);
    p.curved = true;
}
void opy(fz_context*, pdf_processor* proc, float x1, float y1, float x3, float y3) {
    PathProbe& p = readerOf(proc).path();
    p.add(x1, y1), p.add(x3, y3);
    p.current = fz_make_point(x3, y3);
    p.curved = true;
}
void oph(fz_context*, pdf_processor* proc) {
    PathProbe& p = readerOf(proc).path();
    if (p.subpaths == 1) p.firstClosed = true;
    if (p.subpaths > 1 && (p.current.x != p.start.x || p.current.y != p.start.y)) p.lineTo(p.start);
    p.current = p.start;
}
void opre(fz_context*, pdf_processor* proc, float x, float y, float w, float h) {
    PathProbe& p = readerOf(proc).path();
    p.beginSubpath(x, y);
    p.add(x, y), p.add(x + w, y + h);
    if (p.subpaths > 1) {
        if (p.rects.size() < kMaxPathPieces)
            p.rects.push_back(fz_make_rect(std::min(x, x + w), std::min(y, y + h),
                                           std::max(x, x + w), std::max(y, y + h)));
        return;
    }
    p.rectangle = true;
    p.rect = fz_make_rect(std::min(x, x + w), std::min(y, y + h), std::max(x, x + w),
                          std::max(y, y + h));
}
void opFill(fz_context*, pdf_processor* proc) {
    readerOf(proc).paintPath(true, false, hiddenContent(proc));
}
void opStroke(fz_context*, pdf_processor* proc) {
    readerOf(proc).paintPath(false, true, hiddenContent(proc));
}
void opNoFill(fz_context*, pdf_processor* proc) {
    readerOf(proc).paintPath(false, false, hiddenContent(proc));
}
void opW(fz_context*, pdf_processor* proc) {
    readerOf(proc).clipNext();
}

// Colours: only whether fills paint a plain colour matters.
void opcs(fz_context*, pdf_processor* proc, const char* name, fz_colorspace*) {
    readerOf(proc).gs().fillColour = name == nullptr || std::strcmp(name, "Pattern") != 0;
}
void opCS(fz_context*, pdf_processor*, const char*, fz_colorspace*) {}
void opscPattern(fz_context*, pdf_processor* proc, const char*, pdf_pattern*, int, float*) {
    readerOf(proc).gs().fillColour = false;
}
void opscShade(fz_context*, pdf_processor* proc, const char*, fz_shade*) {
    readerOf(proc).gs().fillColour = false;
}
void opscColor(fz_context*, pdf_processor* proc, int, float*) {
    readerOf(proc).gs().fillColour = true;
}
void opg(fz_context*, pdf_processor* proc, float) {
    readerOf(proc).gs().fillColour = true;
}
void oprg(fz_context*, pdf_processor* proc, float, float, float) {
    readerOf(proc).gs().fillColour = true;
}
void opk(fz_context*, pdf_processor* proc, float, float, float, float) {
    readerOf(proc).gs().fillColour = true;
}

// Text.
void opBT(fz_context*, pdf_processor* proc) {
    readerOf(proc).beginText();
}
void opET(fz_context*, pdf_processor* proc) {
    readerOf(proc).endText();
}
void opTc(fz_context*, pdf_processor* proc, float v) {
    readerOf(proc).gs().charSpace = v;
}
void opTw(fz_context*, pdf_processor* proc, float v) {
    readerOf(proc).gs().wordSpace = v;
}
void opTz(fz_context*, pdf_processor* proc, float v) {
    readerOf(proc).gs().scale = v / 100;
}
void opTL(fz_context*, pdf_processor* proc, float v) {
    readerOf(proc).gs().leading = v;
}
void opTr(fz_context*, pdf_processor* proc, int v) {
    readerOf(proc).gs().render = v;
}
void opTs(fz_context*, pdf_processor* proc, float v) {
    readerOf(proc).gs().rise = v;
}
void opTf(fz_context* ctx, pdf_processor* proc, const char* name, pdf_font_desc* font, float size) {
    guard(ctx, [&] { readerOf(proc).setFont(name, font, size); });
}
void opTd(fz_context*, pdf_processor* proc, float tx, float ty) {
    readerOf(proc).moveText(tx, ty);
}
void opTD(fz_context*, pdf_processor* proc, float tx, float ty) {
    readerOf(proc).gs().leading = -ty;
    readerOf(proc).moveText(tx, ty);
}
void opTm(fz_context*, pdf_processor* proc, float a, float b, float c, float d, float e, float f) {
    readerOf(proc).setTextMatrix(a, b, c, d, e, f);
}
void opTstar(fz_context*, pdf_processor* proc) {
    readerOf(proc).nextLine();
}

void opTj(fz_context* ctx, pdf_processor* proc, char* s, size_t length) {
    guard(ctx, [&] {
        ContentReader& r = readerOf(proc);
        r.beginElement(hiddenContent(proc));
        r.showString(reinterpret_cast<const unsigned char*>(s), length);
        r.endElement();
    });
}
void opSquote(fz_context* ctx, pdf_processor* proc, char* s, size_t length) {
    readerOf(proc).nextLine();
    opTj(ctx, proc, s, length);
}
void opDquote(fz_context* ctx, pdf_processor* proc, float aw, float ac, char* s, size_t length) {
    readerOf(proc).gs().wordSpace = aw;
    readerOf(proc).gs().charSpace = ac;
    readerOf(proc).nextLine();
    opTj(ctx, proc, s, length);
}

// An item of a TJ array: a string, or an adjustment.
struct ShowItem {
    const unsigned char* bytes;  // nullptr for an adjustment
    size_t length;
    float adjustment;
};

void opTJ(fz_context* ctx, pdf_processor* proc, pdf_obj* array) {
    // The array is read first: reading it may fail (a broken reference in
    // it), and that failure must leave this frame before any C++ code runs.
    int n = pdf_array_len(ctx, array);
    ShowItem* items = static_cast<ShowItem*>(fz_calloc(ctx, n > 0 ? n : 1, sizeof(ShowItem)));
    const int read = tryMupdf(ctx, [&] {
        for (int i = 0; i < n; ++i) {
            pdf_obj* item = pdf_array_get(ctx, array, i);
            if (pdf_is_string(ctx, item)) {
                items[i].bytes = reinterpret_cast<const unsigned char*>(pdf_to_str_buf(ctx, item));
                items[i].length = pdf_to_str_len(ctx, item);
            } else {
                items[i].adjustment = pdf_to_real(ctx, item);
            }
        }
    });
    if (read != 0) {
        fz_free(ctx, items);
        fz_rethrow(ctx);  // to the interpreter's boundary, which called us
    }
    int failure = 0;
    try {
        ContentReader& r = readerOf(proc);
        r.beginElement(hiddenContent(proc));
        for (int i = 0; i < n; ++i) {
            if (items[i].bytes != nullptr)
                r.showString(items[i].bytes, items[i].length);
            else
                r.adjust(items[i].adjustment);
        }
        r.endElement();
    } catch (const WorkLimitExceeded&) {
        failure = FZ_ERROR_ABORT;
    } catch (...) {
        failure = FZ_ERROR_GENERIC;
    }
    fz_free(ctx, items);
    if (failure != 0) fz_throw(ctx, failure, "cannot read the page's text");
}

// Images and forms.
void opDoImage(fz_context*, pdf_processor* proc, const char*, fz_image* image) {
    readerOf(proc).paintImage(image, hiddenContent(proc));
}
void opBI(fz_context*, pdf_processor* proc, fz_image* image, const char*) {
    readerOf(proc).paintImage(image, hiddenContent(proc));
}

void runForm(fz_context* ctx, pdf_processor* proc, pdf_obj* form, pdf_obj* resources);

void opDoForm(fz_context* ctx, pdf_processor* proc, const char*, pdf_obj* form,
              pdf_obj* pageResources) {
    // Everything a form needs of MuPDF is read first, inside this error
    // boundary; a form that cannot be read is passed over.
    fz_rect bbox = fz_empty_rect;
    fz_matrix matrix = fz_identity;
    int transparency = 0;
    pdf_obj* resources = nullptr;
    if (tryMupdf(ctx, [&] {
            bbox = pdf_xobject_bbox(ctx, form);
            matrix = pdf_xobject_matrix(ctx, form);
            transparency = pdf_xobject_transparency(ctx, form);
            resources = pdf_xobject_resources(ctx, form);
        }) != 0)
        return;
    if (resources == nullptr) resources = pageResources;

    bool entered = false;
    size_t depth = 0;
    guard(ctx, [&] {
        ContentReader& r = readerOf(proc);
        if (!r.enterForm(form)) return;
        entered = true;
        depth = r.depth();
        r.save();
        r.concat(matrix);
        GState& g = r.gs();
        if (transparency) {
            // A group paints its content as one; one that is not opaque
            // lets what lies beneath show through all of it.
            if (!g.paintsOpaquely()) g.translucent = true;
            g.fillAlpha = 1;
            g.blendNormal = true;
            g.softMask = false;
        }
        r.clipToBox(bbox);  // the form's bounding box clips it
        r.pushResources(resources);
    });
    if (!entered) return;
    runForm(ctx, proc, form, resources);
    ContentReader& r = readerOf(proc);
    r.popResources();
    r.restoreTo(depth);
    r.leaveForm(form);
}

// Runs a form's content with this processor; its failure is the form's
// alone.
void runForm(fz_context* ctx, pdf_processor* proc, pdf_obj* form, pdf_obj* resources) {
    pdf_document* doc = readerOf(proc).document();
    fz_cookie* cookie = readerOf(proc).cookie();
    // A stopped reading goes on up to the page's boundary.
    if (tryMupdf(ctx, [&] { pdf_process_contents(ctx, proc, doc, resources, form, cookie); }) ==
        FZ_ERROR_ABORT)
        fz_rethrow(ctx);
}

pdf_processor* newProcessor(ContentReader& reader) {
    fz_context* ctx = Library::context();
    Processor* p = nullptr;
    guarded(ctx, std::string(),
            [&] { p = static_cast<Processor*>(pdf_new_processor(ctx, sizeof(Processor))); });
    p->reader = &reader;
    pdf_processor& s = p->super;
    s.usage = "View";
    s.op_gs_BM = opgsBM;
    s.op_gs_ca = opgsca;
    s.op_w = opw;
    s.op_gs_SMask = opgsSMask;
    s.op_q = opq;
    s.op_Q = opQ;
    s.op_cm = opcm;
    s.op_m = opm;
    s.op_l = opl;
    s.op_c = opc;
    s.op_v = opv;
    s.op_y = opy;
    s.op_h = oph;
    s.op_re = opre;
    s.op_S = opStroke;
    s.op_s = opStroke;
    s.op_F = opFill;
    s.op_f = opFill;
    s.op_fstar = opFill;
    s.op_B = opFill;
    s.op_Bstar = opFill;
    s.op_b = opFill;
    s.op_bstar = opFill;
    s.op_n = opNoFill;
    s.op_W = opW;
    s.op_Wstar = opW;
    s.op_BT = opBT;
    s.op_ET = opET;
    s.op_Tc = opTc;
    s.op_Tw = opTw;
    s.op_Tz = opTz;
    s.op_TL = opTL;
    s.op_Tf = opTf;
    s.op_Tr = opTr;
    s.op_Ts = opTs;
    s.op_Td = opTd;
    s.op_TD = opTD;
    s.op_Tm = opTm;
    s.op_Tstar = opTstar;
    s.op_TJ = opTJ;
    s.op_Tj = opTj;
    s.op_squote = opSquote;
    s.op_dquote = opDquote;
    s.op_CS = opCS;
    s.op_cs = opcs;
    s.op_sc_pattern = opscPattern;
    s.op_sc_shade = opscShade;
    s.op_sc_color = opscColor;
    s.op_g = opg;
    s.op_rg = oprg;
    s.op_k = opk;
    if (reader.withImages()) {
        s.op_BI = opBI;
        s.op_Do_image = opDoImage;
    }
    s.op_Do_form = opDoForm;
    return &p->super;
}

// Widgets are shown only when they are fields: with a type and a name.
bool shownWidget(fz_context* ctx, pdf_annot* widget) {
    int shown = 0;
    if (tryMupdf(ctx, [&] {
            pdf_obj* obj = pdf_annot_obj(ctx, widget);
            shown = pdf_dict_get_inheritable(ctx, obj, PDF_NAME(FT)) != nullptr &&
                    pdf_dict_get_inheritable(ctx, obj, PDF_NAME(T)) != nullptr;
        }) != 0)
        return false;
    return shown != 0;
}

// One annotation's appearance; its failure is its own, but for the reading
// being stopped (false).
bool runAnnotation(fz_context* ctx, pdf_processor* proc, pdf_annot* annot) {
    fz_cookie* cookie = readerOf(proc).cookie();
    return tryMupdf(ctx, [&] { pdf_process_annot(ctx, proc, annot, cookie); }) != FZ_ERROR_ABORT;
}

// Runs the page's content and then its annotations and fields; false, with
// MuPDF's message in `failure`, when the content could not be read.
bool runPage(const Page& page, ContentReader& reader, std::string& failure) {
    fz_context* ctx = Library::context();
    ProcessorHandle processor(ctx, newProcessor(reader));
    pdf_processor* proc = processor.get();
    pdf_page* pdfPage = page.handle();
    pdf_obj* resources = objects::pageResources(pdfPage);
    reader.pushResources(resources);
    if (tryMupdf(ctx, [&] {
            pdf_process_contents(ctx, proc, pdfPage->doc, resources,
                                 pdf_page_contents(ctx, pdfPage), reader.cookie());
        }) != 0) {
        failure = fz_caught_message(ctx);
        return false;
    }

    std::vector<pdf_annot*> annotations;
    for (pdf_annot* a = pdf_first_annot(ctx, pdfPage); a != nullptr; a = pdf_next_annot(ctx, a))
        annotations.push_back(a);
    for (pdf_annot* w = pdf_first_widget(ctx, pdfPage); w != nullptr; w = pdf_next_widget(ctx, w))
        if (shownWidget(ctx, w)) annotations.push_back(w);
    reader.setAnnotation(true);
    for (pdf_annot* a : annotations) {
        reader.resetState();
        if (!runAnnotation(ctx, proc, a)) {
            failure = "the reading was stopped";
            return false;
        }
    }
    // What closing would still flush is nothing the reading needs.
    tryMupdf(ctx, [&] { pdf_close_processor(ctx, proc); });
    return true;
}

}  // namespace

PaintedText readPaintedText(const Page& page) {
    // Some pages hold an image MuPDF cannot load; their text is read again
    // without the images, which only ever hide text.
    PageClock clock(page.place(), "cannot read text");
    checkPageLimits(page, "cannot read text");
    std::string failure;
    for (bool withImages : {true, false}) {
        ContentReader reader(page.handle()->doc, page, withImages);
        reader.setCookie(clock.cookie());
        bool read = false;
        try {
            read = runPage(page, reader, failure);
        } catch (const Error& e) {
            throw e.within(page.place(), "cannot read text");
        }
        // A reading stopped for the page's time, or short of memory for the job, is not
        // tried again without images.
        clock.check();
        if (!read && !reader.workLimit().empty())
            throw Error(page.place(), "cannot read text", reader.workLimit());
        if (!read) continue;
        reader.markHidden();
        addDrawnUnderscores(reader.result(), reader.bars());
        return std::move(reader.result());
    }
    throw Error(page.place(), "cannot read text", failure);
}

}  // namespace pdf
