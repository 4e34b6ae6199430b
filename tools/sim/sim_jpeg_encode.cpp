// The sim's one libjpeg encoder, used by the live-view scene and the test card.
#include "sim_jpeg.h"

// jpeglib.h needs size_t and FILE declared first.
#include <cstddef>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

#include <csetjmp>

namespace {

struct ErrorExit {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

[[noreturn]] void error_exit(j_common_ptr info) {
    std::longjmp(reinterpret_cast<ErrorExit*>(info->err)->jump, 1);
}

// libjpeg reports errors by a jump: nothing with a destructor lives in this
// function's frame. Out: *out is malloc'd by libjpeg; the caller frees it.
bool encode(const SimJpegEncode& e, SimJpegRow row, void* ctx, unsigned char** out,
            unsigned long* out_len) {
    jpeg_compress_struct c;
    ErrorExit err;
    c.err = jpeg_std_error(&err.base);
    err.base.error_exit = error_exit;
    *out = nullptr;
    *out_len = 0;
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&c);
        std::free(*out);
        *out = nullptr;
        return false;
    }
    jpeg_create_compress(&c);
    jpeg_mem_dest(&c, out, out_len);
    c.image_width = e.width;
    c.image_height = e.height;
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, e.quality, TRUE);
    c.optimize_coding = FALSE; // the standard tables, the same in every encode
    if (e.restart_each_row) c.restart_in_rows = 1;
    c.write_JFIF_header = FALSE; // a camera's encoder writes no JFIF segment
    c.dct_method = JDCT_ISLOW;
    jpeg_start_compress(&c, TRUE);
    if (e.app1) jpeg_write_marker(&c, JPEG_APP0 + 1, e.app1, unsigned(e.app1_len));
    while (c.next_scanline < c.image_height) {
        JSAMPROW r = const_cast<JSAMPROW>(row(ctx, c.next_scanline));
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    return true;
}

} // namespace

bool SimJpeg_Encode(const SimJpegEncode& e, SimJpegRow row, void* ctx, std::vector<uint8_t>* out) {
    unsigned char* data = nullptr;
    unsigned long len = 0;
    if (!encode(e, row, ctx, &data, &len)) return false;
    out->assign(data, data + len);
    std::free(data);
    return true;
}
