#include "pdf/Library.h"

#include <mupdf/fitz.h>

#include "pdf/Error.h"

namespace pdf {
namespace {

fz_context* g_context = nullptr;

void ignoreMessage(void*, const char*) {}

}  // namespace

Library::Library() {
    if (g_context != nullptr) throw Error("PDF library: already started");
    g_context = fz_new_context(nullptr, nullptr, FZ_STORE_DEFAULT);
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
