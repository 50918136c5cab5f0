#include <turbojpeg.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include "pictavo/cull/pixel_turner_formats.h"

// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>

namespace pictavo {
namespace {

struct ErrorTrap {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

[[noreturn]] void JumpBack(j_common_ptr info) {
    std::longjmp(reinterpret_cast<ErrorTrap*>(info->err)->jump, 1);
}
void Silent(j_common_ptr) {}

// One component's samples as stored, padded to whole MCUs.
struct Plane {
    int width = 0, height = 0;  // the samples that belong to the picture
    int stride = 0, rows = 0;
    std::vector<JSAMPLE> samples;
    JSAMPLE* Row(int y) { return samples.data() + static_cast<std::size_t>(y) * stride; }
    void Allocate(int w, int h, int paddedWidth, int paddedRows) {
        width = w, height = h, stride = paddedWidth, rows = paddedRows;
        samples.assign(static_cast<std::size_t>(stride) * rows, 0);
    }
};

// Everything the libjpeg calls touch lives here, outside the frames a jump
// leaves, so an error cleans up through the destructor.
struct Transcoder {
    jpeg_decompress_struct source{};
    jpeg_compress_struct target{};
    ErrorTrap trap{};
    unsigned char* output = nullptr;
    unsigned long outputSize = 0;
    std::vector<Plane> sourcePlanes, turnedPlanes;
    std::vector<std::vector<JSAMPROW>> rows;  // one iMCU row of each component
    std::vector<JSAMPARRAY> image;

    Transcoder() {
        source.err = target.err = jpeg_std_error(&trap.manager);
        trap.manager.error_exit = JumpBack;
        trap.manager.output_message = Silent;
    }
    ~Transcoder() {
        jpeg_destroy_compress(&target);
        jpeg_destroy_decompress(&source);
        std::free(output);
    }
    Transcoder(const Transcoder&) = delete;
    Transcoder& operator=(const Transcoder&) = delete;
};

int RoundUp(int value, int step) { return (value + step - 1) / step * step; }

// Plane sizes of a started codec's components, padded to whole MCUs.
void AllocatePlanes(std::vector<Plane>& planes, const jpeg_component_info* components, int count,
                    int iMcuRows) {
    planes.resize(static_cast<std::size_t>(count));
    for (int c = 0; c < count; ++c) {
        const jpeg_component_info& info = components[c];
        planes[c].Allocate(
            static_cast<int>(info.downsampled_width), static_cast<int>(info.downsampled_height),
            RoundUp(static_cast<int>(info.width_in_blocks), info.h_samp_factor) * DCTSIZE,
            iMcuRows * info.v_samp_factor * DCTSIZE);
    }
}

void PrepareRows(Transcoder& t, const jpeg_component_info* components, int count) {
    t.rows.assign(static_cast<std::size_t>(count), {});
    t.image.assign(static_cast<std::size_t>(count), nullptr);
    for (int c = 0; c < count; ++c) {
        t.rows[c].resize(static_cast<std::size_t>(components[c].v_samp_factor) * DCTSIZE);
        t.image[c] = t.rows[c].data();
    }
}

void PointRows(Transcoder& t, std::vector<Plane>& planes, int iMcuRow) {
    for (std::size_t c = 0; c < planes.size(); ++c) {
        int first = iMcuRow * static_cast<int>(t.rows[c].size());
        for (std::size_t r = 0; r < t.rows[c].size(); ++r)
            t.rows[c][r] = planes[c].Row(first + static_cast<int>(r));
    }
}

void ReadPlanes(Transcoder& t, const TurnBytes& jpeg) {
    jpeg_decompress_struct& s = t.source;
    jpeg_mem_src(&s, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
    jpeg_save_markers(&s, JPEG_COM, 0xFFFF);
    for (int m = 0; m < 16; ++m) jpeg_save_markers(&s, JPEG_APP0 + m, 0xFFFF);
    jpeg_read_header(&s, TRUE);
    s.raw_data_out = TRUE;
    jpeg_start_decompress(&s);
    AllocatePlanes(t.sourcePlanes, s.comp_info, s.num_components,
                   static_cast<int>(s.total_iMCU_rows));
    PrepareRows(t, s.comp_info, s.num_components);
    const int step = s.max_v_samp_factor * DCTSIZE;
    while (s.output_scanline < s.output_height) {
        PointRows(t, t.sourcePlanes, static_cast<int>(s.output_scanline) / step);
        jpeg_read_raw_data(&s, t.image.data(), static_cast<JDIMENSION>(step));
    }
}

// A quarter turn swaps the roles of rows and columns: the sampling factors
// and the quantisation tables' horizontal and vertical frequencies.
void TurnParameters(jpeg_compress_struct& d, const jpeg_decompress_struct& s) {
    d.image_width = s.image_height;
    d.image_height = s.image_width;
    for (int c = 0; c < d.num_components; ++c)
        std::swap(d.comp_info[c].h_samp_factor, d.comp_info[c].v_samp_factor);
    for (JQUANT_TBL* table : d.quant_tbl_ptrs) {
        if (!table) continue;
        for (int row = 0; row < DCTSIZE; ++row)
            for (int col = row + 1; col < DCTSIZE; ++col)
                std::swap(table->quantval[row * DCTSIZE + col],
                          table->quantval[col * DCTSIZE + row]);
    }
    d.raw_data_in = TRUE;
    // The source's own JFIF and Adobe markers are copied byte for byte instead.
    d.write_JFIF_header = FALSE;
    d.write_Adobe_marker = FALSE;
    d.optimize_coding = TRUE;
    d.arith_code = s.arith_code;
    if (s.progressive_mode) jpeg_simple_progression(&d);
}

// Turned plane(X, Y) = source plane(Y, height - 1 - X), in tiles that stay in
// the cache; the padding repeats the last column and row, as the encoder does
// for pictures it pads itself.
void TurnPlane(Plane& from, Plane& to) {
    constexpr int kTile = 64;
    for (int top = 0; top < to.height; top += kTile)
        for (int left = 0; left < to.width; left += kTile)
            for (int y = top; y < std::min(top + kTile, to.height); ++y) {
                JSAMPLE* out = to.Row(y);
                for (int x = left; x < std::min(left + kTile, to.width); ++x)
                    out[x] = from.Row(from.height - 1 - x)[y];
            }
    for (int y = 0; y < to.height; ++y)
        std::fill(to.Row(y) + to.width, to.Row(y) + to.stride, to.Row(y)[to.width - 1]);
    for (int y = to.height; y < to.rows; ++y)
        std::copy_n(to.Row(to.height - 1), to.stride, to.Row(y));
}

bool TurnPlanes(Transcoder& t) {
    jpeg_compress_struct& d = t.target;
    AllocatePlanes(t.turnedPlanes, d.comp_info, d.num_components,
                   static_cast<int>(d.total_iMCU_rows));
    for (std::size_t c = 0; c < t.turnedPlanes.size(); ++c) {
        Plane& from = t.sourcePlanes[c];
        Plane& to = t.turnedPlanes[c];
        if (to.width != from.height || to.height != from.width || to.width == 0) return false;
        TurnPlane(from, to);
    }
    return true;
}

void WriteMarkers(Transcoder& t) {
    for (jpeg_saved_marker_ptr m = t.source.marker_list; m; m = m->next)
        jpeg_write_marker(&t.target, m->marker, m->data, m->data_length);
}

void WritePlanes(Transcoder& t) {
    jpeg_compress_struct& d = t.target;
    PrepareRows(t, d.comp_info, d.num_components);
    const int step = d.max_v_samp_factor * DCTSIZE;
    while (d.next_scanline < d.image_height) {
        PointRows(t, t.turnedPlanes, static_cast<int>(d.next_scanline) / step);
        jpeg_write_raw_data(&d, t.image.data(), static_cast<JDIMENSION>(step));
    }
    jpeg_finish_compress(&d);
}

// Frames between here and libjpeg hold nothing that needs destroying.
bool Transcode(Transcoder& t, const TurnBytes& jpeg) {
    if (setjmp(t.trap.jump)) return false;
    jpeg_create_decompress(&t.source);
    jpeg_create_compress(&t.target);
    ReadPlanes(t, jpeg);
    jpeg_mem_dest(&t.target, &t.output, &t.outputSize);
    jpeg_copy_critical_parameters(&t.source, &t.target);
    TurnParameters(t.target, t.source);
    jpeg_start_compress(&t.target, TRUE);
    if (!TurnPlanes(t)) return false;
    WriteMarkers(t);
    WritePlanes(t);
    return true;
}

// SOF2, SOF6, SOF10 and SOF14 start progressive frames.
bool IsProgressive(const TurnBytes& jpeg) {
    std::size_t at = 2;
    while (at + 4 <= jpeg.size() && jpeg[at] == 0xFF) {
        unsigned char marker = jpeg[at + 1];
        if (marker == 0xC2 || marker == 0xC6 || marker == 0xCA || marker == 0xCE) return true;
        if (marker == 0xDA) return false;
        at += 2 + (static_cast<std::size_t>(jpeg[at + 2]) << 8 | jpeg[at + 3]);
    }
    return false;
}

}  // namespace

bool TurnJpegLosslessly(const TurnBytes& jpeg, TurnBytes& out) {
    tjhandle handle = tjInitTransform();
    if (!handle) return false;
    tjtransform transform{};
    transform.op = TJXOP_ROT90;
    transform.options = TJXOPT_PERFECT | (IsProgressive(jpeg) ? TJXOPT_PROGRESSIVE : 0);
    unsigned char* turned = nullptr;
    unsigned long turnedSize = 0;
    int rc = tjTransform(handle, jpeg.data(), jpeg.size(), 1, &turned, &turnedSize, &transform, 0);
    if (rc == 0) out.assign(turned, turned + turnedSize);
    tjFree(turned);
    tjDestroy(handle);
    return rc == 0;
}

bool TurnJpegReencoded(const TurnBytes& jpeg, TurnBytes& out) {
    if (jpeg.size() < 4 || jpeg[0] != 0xFF || jpeg[1] != 0xD8) return false;
    try {
        Transcoder t;
        if (!Transcode(t, jpeg)) return false;
        out.assign(t.output, t.output + t.outputSize);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

}  // namespace pictavo
