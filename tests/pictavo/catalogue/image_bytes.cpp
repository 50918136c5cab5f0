#include "tests/pictavo/catalogue/image_bytes.h"

#include <turbojpeg.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>

#include "pictavo/catalogue/png_crc.h"

namespace image_bytes {
namespace {

void Put32(Bytes& out, std::uint32_t value, bool bigEndian) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<unsigned char>(value >> (8 * (bigEndian ? 3 - i : i))));
}

std::uint32_t Get32(const Bytes& b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

}  // namespace

bool Write(const std::string& path, const Bytes& data) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(data.data()),
              static_cast<std::streamsize>(data.size()));
    return static_cast<bool>(out);
}

Bytes PhotoJpeg(int width, int height, int sampling, bool progressive, int quality) {
    Bytes rgb(static_cast<std::size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            unsigned char* p = &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
            double detail = 12 * std::sin(x * 0.35) * std::cos(y * 0.25);
            p[0] =
                static_cast<unsigned char>(std::clamp(60 + 150.0 * x / width + detail, 0.0, 255.0));
            p[1] = static_cast<unsigned char>(
                std::clamp(200 - 120.0 * y / height + detail, 0.0, 255.0));
            p[2] = static_cast<unsigned char>(std::clamp(128 + 2 * detail - 0.5 * x, 0.0, 255.0));
        }
    tjhandle handle = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    tjCompress2(handle, rgb.data(), width, 0, height, TJPF_RGB, &jpeg, &size, sampling, quality,
                progressive ? TJFLAG_PROGRESSIVE : 0);
    Bytes out(jpeg, jpeg + size);
    tjFree(jpeg);
    tjDestroy(handle);
    return out;
}

Bytes DecodeRgb(const Bytes& jpeg, int& width, int& height) {
    tjhandle handle = tjInitDecompress();
    int sampling = 0, colours = 0;
    Bytes rgb;
    if (tjDecompressHeader3(handle, jpeg.data(), jpeg.size(), &width, &height, &sampling,
                            &colours) == 0) {
        rgb.resize(static_cast<std::size_t>(width) * height * 3);
        if (tjDecompress2(handle, jpeg.data(), jpeg.size(), rgb.data(), width, 0, height, TJPF_RGB,
                          TJFLAG_ACCURATEDCT) != 0)
            rgb.clear();
    }
    tjDestroy(handle);
    return rgb;
}

Bytes TurnRgb(const Bytes& rgb, int width, int height) {
    Bytes out(rgb.size());
    for (int y = 0; y < width; ++y)
        for (int x = 0; x < height; ++x)
            std::copy_n(&rgb[(static_cast<std::size_t>(height - 1 - x) * width + y) * 3], 3,
                        &out[(static_cast<std::size_t>(y) * height + x) * 3]);
    return out;
}

double Psnr(const Bytes& a, const Bytes& b) {
    if (a.size() != b.size() || a.empty()) return 0;
    double sum = 0;
    for (std::size_t i = 0; i < a.size(); ++i) sum += (a[i] - b[i]) * (a[i] - b[i]);
    if (sum == 0) return 99;
    return 10 * std::log10(255.0 * 255.0 * static_cast<double>(a.size()) / sum);
}

std::vector<Segment> Segments(const Bytes& jpeg) {
    std::vector<Segment> segments;
    for (std::size_t at = 2; at + 4 <= jpeg.size() && jpeg[at] == 0xFF && jpeg[at + 1] != 0xDA;) {
        std::size_t length = static_cast<std::size_t>(jpeg[at + 2]) << 8 | jpeg[at + 3];
        if (at + 2 + length > jpeg.size()) break;
        segments.push_back(
            {jpeg[at + 1], Bytes(jpeg.begin() + at + 4, jpeg.begin() + at + 2 + length)});
        at += 2 + length;
    }
    return segments;
}

std::vector<Segment> AppAndCommentSegments(const Bytes& jpeg) {
    std::vector<Segment> kept;
    for (Segment& s : Segments(jpeg))
        if ((s.marker >= 0xE0 && s.marker <= 0xEF) || s.marker == 0xFE)
            kept.push_back(std::move(s));
    return kept;
}

Bytes WithSegment(const Bytes& jpeg, int marker, const Bytes& payload) {
    Bytes out(jpeg.begin(), jpeg.begin() + 2);
    std::size_t length = payload.size() + 2;
    out.insert(out.end(),
               {0xFF, static_cast<unsigned char>(marker), static_cast<unsigned char>(length >> 8),
                static_cast<unsigned char>(length)});
    out.insert(out.end(), payload.begin(), payload.end());
    out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
    return out;
}

Bytes FromFirstScan(const Bytes& jpeg) {
    static const Bytes kStartOfScan = {0xFF, 0xDA};
    auto scan = std::search(jpeg.begin(), jpeg.end(), kStartOfScan.begin(), kStartOfScan.end());
    return {scan, jpeg.end()};
}

Bytes MalformedExif() {
    Bytes exif = {'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0, 0xFF, 0x7F};
    for (int i = 0; i < 6; ++i)
        exif.insert(exif.end(), {0x0F, 0x01, 2, 0, 0xFF, 0xFF, 0xFF, 0x7F, 0xF0, 0xFF, 0xFF, 0xFF});
    return exif;
}

std::vector<Bytes> PngChunks(const Bytes& png) {
    std::vector<Bytes> chunks;
    for (std::size_t at = 8; at + 12 <= png.size();) {
        std::size_t length = static_cast<std::size_t>(png[at]) << 24 | png[at + 1] << 16 |
                             png[at + 2] << 8 | png[at + 3];
        if (length > png.size() - at - 12) break;
        chunks.emplace_back(png.begin() + at, png.begin() + at + 12 + length);
        at += 12 + length;
    }
    return chunks;
}

Bytes PngChunk(const std::string& type, const Bytes& data) {
    Bytes chunk;
    Put32(chunk, static_cast<std::uint32_t>(data.size()), true);
    chunk.insert(chunk.end(), type.begin(), type.end());
    chunk.insert(chunk.end(), data.begin(), data.end());
    Put32(chunk, pictavo::PngCrc32(chunk.data() + 4, chunk.size() - 4), true);
    return chunk;
}

Bytes WithPngChunks(const Bytes& png, const std::vector<Bytes>& afterHeader,
                    const std::vector<Bytes>& beforeEnd) {
    const std::size_t headerEnd = 8 + 25, end = png.size() - 12;
    Bytes out(png.begin(), png.begin() + headerEnd);
    for (const Bytes& c : afterHeader) out.insert(out.end(), c.begin(), c.end());
    out.insert(out.end(), png.begin() + headerEnd, png.begin() + end);
    for (const Bytes& c : beforeEnd) out.insert(out.end(), c.begin(), c.end());
    out.insert(out.end(), png.begin() + end, png.end());
    return out;
}

bool ContainsBytes(const Bytes& data, const Bytes& part) {
    return std::search(data.begin(), data.end(), part.begin(), part.end()) != data.end();
}

Bytes Bmp(int width, int height, int bits, const Bytes& pixels) {
    const std::size_t rowBytes = (static_cast<std::size_t>(width) * bits + 7) / 8;
    const std::size_t stride = (static_cast<std::size_t>(width) * bits + 31) / 32 * 4;
    const int colours = bits <= 8 ? 1 << bits : 0;
    const std::uint32_t offset = 54 + 4 * colours;
    Bytes out = {'B', 'M'};
    Put32(out, static_cast<std::uint32_t>(offset + stride * height), false);
    Put32(out, 0, false);
    Put32(out, offset, false);
    for (std::uint32_t v :
         {40u, static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height)})
        Put32(out, v, false);
    out.insert(out.end(), {1, 0, static_cast<unsigned char>(bits), 0});
    for (std::uint32_t v : {0u, static_cast<std::uint32_t>(stride * height), 2835u, 2835u,
                            static_cast<std::uint32_t>(colours), 0u})
        Put32(out, v, false);
    for (int c = 0; c < colours; ++c) Put32(out, static_cast<std::uint32_t>(c * 0x010203), false);
    for (int y = height - 1; y >= 0; --y) {
        out.insert(out.end(), pixels.begin() + static_cast<std::ptrdiff_t>(rowBytes * y),
                   pixels.begin() + static_cast<std::ptrdiff_t>(rowBytes * (y + 1)));
        out.resize(out.size() + stride - rowBytes, 0);
    }
    return out;
}

unsigned BmpPixel(const Bytes& bmp, int x, int y) {
    const int width = static_cast<int>(Get32(bmp, 18)), height = static_cast<int>(Get32(bmp, 22));
    const int bits = bmp[28];
    const std::size_t stride = (static_cast<std::size_t>(width) * bits + 31) / 32 * 4;
    const unsigned char* row =
        &bmp[Get32(bmp, 10) + stride * static_cast<std::size_t>(height - 1 - y)];
    if (bits < 8) {
        int perByte = 8 / bits;
        return row[x / perByte] >> ((perByte - 1 - x % perByte) * bits) & ((1u << bits) - 1);
    }
    unsigned value = 0;
    for (int i = 0; i < bits / 8; ++i)
        value |= static_cast<unsigned>(row[x * (bits / 8) + i]) << (8 * i);
    return value;
}

}  // namespace image_bytes
