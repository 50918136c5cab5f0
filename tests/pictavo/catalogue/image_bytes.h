#pragma once
// Image files built byte by byte for the rotation and rating tests: JPEGs of
// any sampling, their marker segments, PNG chunks and BMPs of any bit depth.
#include <string>
#include <vector>

namespace image_bytes {

using Bytes = std::vector<unsigned char>;

bool Write(const std::string& path, const Bytes& data);

// Smooth gradients with fine detail, so a lossy step shows in the figures.
// sampling is a TJSAMP value.
Bytes PhotoJpeg(int width, int height, int sampling, bool progressive, int quality = 92);
// RGB pixels, row by row, decoded as stored.
Bytes DecodeRgb(const Bytes& jpeg, int& width, int& height);
// The same RGB picture turned a quarter clockwise.
Bytes TurnRgb(const Bytes& rgb, int width, int height);
double Psnr(const Bytes& a, const Bytes& b);

struct Segment {
    int marker;
    Bytes payload;
    bool operator==(const Segment&) const = default;
};
// Every segment before the first scan, in file order.
std::vector<Segment> Segments(const Bytes& jpeg);
std::vector<Segment> AppAndCommentSegments(const Bytes& jpeg);
// The data with one more segment right after the start of image.
Bytes WithSegment(const Bytes& jpeg, int marker, const Bytes& payload);
// The bytes from the first start-of-scan marker to the end: the coded pixels.
Bytes FromFirstScan(const Bytes& jpeg);
// An Exif block whose first directory claims more entries than the block
// holds, pointing far outside it.
Bytes MalformedExif();

// A whole PNG chunk (length, type, data, CRC), and a PNG with chunks put
// right after its header or right before its end.
Bytes PngChunk(const std::string& type, const Bytes& data);
Bytes WithPngChunks(const Bytes& png, const std::vector<Bytes>& afterHeader,
                    const std::vector<Bytes>& beforeEnd);
bool ContainsBytes(const Bytes& data, const Bytes& part);
// Every whole chunk of a PNG, in file order.
std::vector<Bytes> PngChunks(const Bytes& png);

// An uncompressed bottom-up BMP with a 40-byte header; pixels are rows of
// (width * bits + 7) / 8 bytes, top row first.
Bytes Bmp(int width, int height, int bits, const Bytes& pixels);
// The value of one pixel (all its bits) of such a BMP.
unsigned BmpPixel(const Bytes& bmp, int x, int y);

}  // namespace image_bytes
