#include "pictavo/cull/window/pixel_turner.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QTransform>
#include <cerrno>

#include "pictavo/catalogue/exiv2_access.h"
#include "pictavo/catalogue/photo_file.h"
#include "platform/files.h"

namespace pictavo {
namespace {

using Bytes = std::vector<unsigned char>;

const char* QtFormatFor(ImageEncoder encoder) {
    switch (encoder) {
        case ImageEncoder::Jpeg:
            return "jpeg";
        case ImageEncoder::Bmp:
            return "bmp";
        case ImageEncoder::Png:
            return "png";
        case ImageEncoder::Tiff:
            return "tiff";
        case ImageEncoder::None:
            break;
    }
    return nullptr;
}

bool CanWrite(const char* format) {
    return format && QImageWriter::supportedImageFormats().contains(QByteArray(format));
}

// Decodes the pixels exactly as stored (no orientation applied).
QImage DecodeAsStored(const Bytes& data) {
    QByteArray bytes(reinterpret_cast<const char*>(data.data()),
                     static_cast<qsizetype>(data.size()));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(false);
    reader.setAllocationLimit(0);  // a 200-megapixel PNG is still a photo
    return reader.read();
}

bool Encode(const QImage& image, const char* format, Bytes& out) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (std::string_view(format) == "jpeg") writer.setQuality(95);
    if (!writer.write(image)) return false;
    out.assign(bytes.begin(), bytes.end());
    return true;
}

bool Holds(Exiv2::Image& image, Exiv2::MetadataId id) {
    Exiv2::AccessMode mode = image.checkMode(id);
    return mode == Exiv2::amWrite || mode == Exiv2::amReadWrite;
}

// Copies what the target format can hold of the source's metadata into the
// encoded target. Formats that hold none (BMP) are left as they are, and so
// are sources whose metadata Exiv2 cannot read. False only when metadata that
// was read could not be written.
bool CopyMetadata(const Bytes& source, Bytes& target) {
    exiv2::ImagePtr from = exiv2::OpenBytes(source);
    if (!from) return true;
    exiv2::ImagePtr to = exiv2::OpenBytes(target);
    if (!to) return false;
    bool any = false;
    bool copied = exiv2::Guarded([&] {
        if (Holds(*to, Exiv2::mdExif)) to->setExifData(from->exifData()), any = true;
        if (Holds(*to, Exiv2::mdIptc)) to->setIptcData(from->iptcData()), any = true;
        if (Holds(*to, Exiv2::mdXmp)) to->setXmpData(from->xmpData()), any = true;
        if (Holds(*to, Exiv2::mdComment)) to->setComment(from->comment()), any = true;
        if (any) to->writeMetadata();
    });
    return copied && (!any || exiv2::ContentOf(*to, target));
}

TurnResult SaveFailed(int code) { return {TurnResult::SaveFailed, code}; }

TurnResult Store(const std::string& path, const Bytes& data) {
    int error =
        platform::WriteFileAtomically(path, data.data(), data.size(), platform::FileTimes::Kept);
    return error == 0 ? TurnResult{} : SaveFailed(error);
}

// The format's own lossless or near-lossless turn, when the content is of
// the format the name says.
bool TurnKeepingFormat(const Bytes& original, ImageEncoder encoder, Bytes& turned) {
    switch (encoder) {
        case ImageEncoder::Jpeg:
            return TurnJpegLosslessly(original, turned) || TurnJpegReencoded(original, turned);
        case ImageEncoder::Bmp:
            return TurnBmpLosslessly(original, turned);
        default:
            return false;
    }
}

}  // namespace

TurnResult QtPixelTurner::TurnClockwise(const std::string& path, ImageEncoder encoder) {
    Bytes original;
    if (!ReadRegularFile(path, original) || original.empty()) return {TurnResult::CannotOpen, 0};
    Bytes turned;
    if (TurnKeepingFormat(original, encoder, turned)) return Store(path, turned);
    QImage image = DecodeAsStored(original);
    if (image.isNull()) return {TurnResult::CannotOpen, 0};
    const char* format = QtFormatFor(encoder);
    if (!CanWrite(format)) return {TurnResult::Unsupported, 0};
    Bytes encoded;
    if (!Encode(image.transformed(QTransform().rotate(90)), format, encoded))
        return SaveFailed(EIO);
    if (encoder == ImageEncoder::Png && SplicePngChunks(original, encoded, turned))
        return Store(path, turned);
    if (!CopyMetadata(original, encoded)) return SaveFailed(EIO);
    return Store(path, encoded);
}

}  // namespace pictavo
