// Quality of the JPEG turn where the picture's height is not a whole number of
// MCUs, so no lossless turn keeps every pixel. For a 4:2:0 baseline and a
// 4:4:4 progressive photo of 3001 x 2001 pixels (quality 92), the photo is
// turned four quarter turns with Pictavo's turner and, for comparison, with a
// plain decode, turn and quality-95 4:2:0 re-encode; each result is compared
// with the original (PSNR over RGB) and the time per turn is printed.
// bench_rotation_quality [FOLDER]: FOLDER keeps the generated photos.
#include <turbojpeg.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QImage>
#include <QImageWriter>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "pictavo/catalogue/metadata.h"
#include "pictavo/catalogue/photo_file.h"
#include "pictavo/cull/window/pixel_turner.h"

namespace {

using Bytes = std::vector<unsigned char>;

// Sky-to-ground gradients, soft discs, a band of fine coloured texture (leaves,
// fabric: the detail chroma subsampling loses) and sensor-like noise.
Bytes PhotoPixels(int width, int height) {
    std::mt19937 random(5);
    std::uniform_int_distribution<int> noise(-6, 6);
    struct Disc {
        double x, y, r;
        int colour[3];
    };
    std::vector<Disc> discs;
    for (int i = 0; i < 40; ++i)
        discs.push_back({random() % width * 1.0,
                         random() % height * 1.0,
                         30.0 + random() % 300,
                         {int(random() % 256), int(random() % 256), int(random() % 256)}});
    Bytes rgb(static_cast<std::size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            double t = static_cast<double>(y) / height;
            double c[3] = {70 + 160 * t, 120 + 70 * t, 190 - 70 * t};
            for (const Disc& d : discs) {
                double edge = std::clamp((d.r - std::hypot(x - d.x, y - d.y)) / 3.0, 0.0, 1.0);
                for (int k = 0; k < 3; ++k) c[k] += (d.colour[k] - c[k]) * 0.6 * edge;
            }
            if (y > height / 2 && y < height * 3 / 4) {
                double leaf = std::sin(x * 1.3) * std::cos(y * 1.1);
                c[0] += 40 * leaf, c[1] -= 40 * leaf;
            }
            unsigned char* p = &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
            for (int k = 0; k < 3; ++k)
                p[k] = static_cast<unsigned char>(std::clamp(c[k] + noise(random), 0.0, 255.0));
        }
    return rgb;
}

Bytes Compress(const Bytes& rgb, int width, int height, int sampling, int flags) {
    tjhandle handle = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    tjCompress2(handle, rgb.data(), width, 0, height, TJPF_RGB, &jpeg, &size, sampling, 92, flags);
    Bytes out(jpeg, jpeg + size);
    tjFree(jpeg);
    tjDestroy(handle);
    return out;
}

Bytes Decode(const Bytes& jpeg) {
    tjhandle handle = tjInitDecompress();
    int width = 0, height = 0, sampling = 0, colours = 0;
    tjDecompressHeader3(handle, jpeg.data(), jpeg.size(), &width, &height, &sampling, &colours);
    Bytes rgb(static_cast<std::size_t>(width) * height * 3);
    tjDecompress2(handle, jpeg.data(), jpeg.size(), rgb.data(), width, 0, height, TJPF_RGB, 0);
    tjDestroy(handle);
    return rgb;
}

double Psnr(const Bytes& a, const Bytes& b) {
    if (a.size() != b.size()) return 0;
    double sum = 0;
    for (std::size_t i = 0; i < a.size(); ++i) sum += (a[i] - b[i]) * (a[i] - b[i]);
    return sum == 0 ? 99 : 10 * std::log10(255.0 * 255.0 * static_cast<double>(a.size()) / sum);
}

// What a plain image library does: decode, turn, save at quality 95 (4:2:0).
Bytes PlainTurn(const Bytes& jpeg) {
    QImage image = QImage::fromData(jpeg.data(), static_cast<int>(jpeg.size()), "JPEG");
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(95);
    writer.write(image.transformed(QTransform().rotate(90)));
    return {bytes.begin(), bytes.end()};
}

Bytes ReadFile(const std::string& path) {
    Bytes data;
    pictavo::ReadRegularFile(path, data);
    return data;
}

void Measure(const char* label, const Bytes& photo, const std::string& path) {
    pictavo::QtPixelTurner turner;
    FILE* out = std::fopen(path.c_str(), "wb");
    std::fwrite(photo.data(), 1, photo.size(), out);
    std::fclose(out);
    auto start = std::chrono::steady_clock::now();
    for (int turn = 0; turn < 4; ++turn) turner.TurnClockwise(path, pictavo::ImageEncoder::Jpeg);
    double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                    .count() /
                4;
    Bytes turned = ReadFile(path);
    Bytes plain = photo;
    for (int turn = 0; turn < 4; ++turn) plain = PlainTurn(plain);
    Bytes original = Decode(photo);
    std::printf(
        "%-26s Pictavo: %.2f dB (%zu -> %zu bytes, %.0f ms a turn); plain q95 4:2:0: %.2f dB (%zu "
        "bytes)\n",
        label, Psnr(original, Decode(turned)), photo.size(), turned.size(), ms,
        Psnr(original, Decode(plain)), plain.size());
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    pictavo::InitializeMetadata();
    QTemporaryDir temporary;
    const std::string folder = (argc > 1 ? QString(argv[1]) : temporary.path()).toStdString();
    const int width = 3001, height = 2001;
    Bytes rgb = PhotoPixels(width, height);
    std::printf("four quarter turns of a %d x %d photo (quality 92), PSNR against the original\n",
                width, height);
    Measure("4:2:0 baseline", Compress(rgb, width, height, TJSAMP_420, 0),
            folder + "/photo420.jpg");
    Measure("4:4:4 progressive", Compress(rgb, width, height, TJSAMP_444, TJFLAG_PROGRESSIVE),
            folder + "/photo444.jpg");
    return 0;
}
