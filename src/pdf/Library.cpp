#include "pdf/Library.h"

#include <mupdf/fitz.h>

#include "pdf/Error.h"

namespace pdf {
namespace {

fz_context* g_context = nullptr;

// MuPDF keeps decoded fonts and images for reuse up to this size. Kept well
// below its default so that a job's peak memory stays bounded next to the
// render band (Renderer.h).
constexpr size_t kResourceCacheBytes = 64u << 20;

void ignoreMessage(void*, const char*) {}

}  // namespace

Library::Library() {
    if (g_context != nullptr) throw Error("PDF library: already started");
    g_context = fz_new_context(nullptr, nullptr, kResourceCacheBytes);
    if (g_context == nullptr) throw Error("PDF library: cannot start");
    fz_set_error_callback(g_context, ignoreMessage, nullptr);
    fz_set_warning_callback(g_context, ignoreMessage, nullptr);
}

Library::~Library() {
    fz_drop_context(g_context);
    g_context = nullptr;
}

fz_context* Library::context() {
    if (g_context == nullptr) throw Error("PDF library: not started");
    return g_context;
}

void Library::throwCaught(const std::string& what) {
    throw Error(what + ": " + fz_caught_message(g_context));
}

}  // namespace pdf
