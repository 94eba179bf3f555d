#include "pdf/JpegWriter.h"

#include <csetjmp>
#include <cstring>
#include <string>

// jpeglib.h needs FILE and size_t declared before it.
#include <jpeglib.h>

#include "pdf/Error.h"

namespace pdf {

// libjpeg reports errors by calling error_exit, which must not return; it
// jumps back to the setjmp of the call in progress. The functions that set
// up such a jump hold no C++ object with a destructor.
struct JpegWriter::State {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr errors;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    bool started = false;
};

namespace {

void jumpOnError(j_common_ptr cinfo) {
    auto* state = static_cast<JpegWriter::State*>(cinfo->client_data);
    (*cinfo->err->format_message)(cinfo, state->message);
    std::longjmp(state->jump, 1);
}

}  // namespace

JpegWriter::JpegWriter(std::FILE* out, int width, int height, int quality, int densityDpi,
                       bool standardTables)
    : state_(new State) {
    if (!jpegHolds(width, height)) {
        state_.reset();
        throw Error("JPEG", "cannot encode an image of " + std::to_string(width) + " x " +
                                std::to_string(height) + " pixels (at most " +
                                std::to_string(kMaxJpegDimension) + " in either dimension)");
    }
    State* s = state_.get();
    s->cinfo.err = jpeg_std_error(&s->errors);
    s->errors.error_exit = jumpOnError;
    s->message[0] = '\0';
    if (setjmp(s->jump) == 0) {
        jpeg_create_compress(&s->cinfo);
        s->cinfo.client_data = s;
        s->started = true;
        jpeg_stdio_dest(&s->cinfo, out);
        s->cinfo.image_width = static_cast<JDIMENSION>(width);
        s->cinfo.image_height = static_cast<JDIMENSION>(height);
        s->cinfo.input_components = 3;
        s->cinfo.in_color_space = JCS_RGB;
        jpeg_set_defaults(&s->cinfo);
        jpeg_set_quality(&s->cinfo, quality, TRUE);
        // Huffman tables made for this image: the same pixels in fewer
        // bytes. The encoder then keeps the whole image's coefficients (3
        // bytes a pixel), so an image beyond kOptimizedCodingBytes keeps
        // the standard tables and its bounded memory.
        s->cinfo.optimize_coding =
            !standardTables &&
            static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3 <=
                kOptimizedCodingBytes;
        s->cinfo.write_JFIF_header = TRUE;
        s->cinfo.density_unit = 1;
        s->cinfo.X_density = static_cast<UINT16>(densityDpi);
        s->cinfo.Y_density = static_cast<UINT16>(densityDpi);
        jpeg_start_compress(&s->cinfo, TRUE);
        return;
    }
    throw Error("JPEG: cannot start encoding", s->message);
}

JpegWriter::~JpegWriter() {
    if (state_ && state_->started) jpeg_destroy_compress(&state_->cinfo);
}

void JpegWriter::writeRows(const unsigned char* pixels, int rows) {
    State* s = state_.get();
    std::size_t stride = static_cast<std::size_t>(s->cinfo.image_width) * 3;
    if (rows < 0 || s->cinfo.next_scanline + static_cast<JDIMENSION>(rows) > s->cinfo.image_height)
        throw Error("JPEG", "more rows than the image height");
    if (setjmp(s->jump) == 0) {
        for (int i = 0; i < rows; ++i) {
            JSAMPROW row = const_cast<JSAMPROW>(pixels + stride * i);
            jpeg_write_scanlines(&s->cinfo, &row, 1);
        }
        return;
    }
    throw Error("JPEG: cannot write", s->message);
}

void JpegWriter::finish() {
    State* s = state_.get();
    if (s->cinfo.next_scanline != s->cinfo.image_height)
        throw Error("JPEG", "image finished before its last row");
    if (setjmp(s->jump) == 0) {
        jpeg_finish_compress(&s->cinfo);
        return;
    }
    throw Error("JPEG: cannot finish", s->message);
}

}  // namespace pdf
