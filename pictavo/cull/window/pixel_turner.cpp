#include "pictavo/cull/window/pixel_turner.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <turbojpeg.h>
#include <unistd.h>

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QTransform>
#include <cerrno>
#include <cstdlib>
#include <exiv2/exiv2.hpp>
#include <fstream>
#include <iterator>

#include "platform/files.h"

namespace pictavo {
namespace {

using Bytes = std::vector<unsigned char>;
using ExivImage = Exiv2::Image::AutoPtr;

bool ReadWholeFile(const std::string& path, Bytes& data) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

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

ExivImage ReadMetadataOf(const Bytes& data) {
    ExivImage image = Exiv2::ImageFactory::open(data.data(), static_cast<long>(data.size()));
    image->readMetadata();
    return image;
}

bool WriteMetadataInto(Exiv2::Image& from, Bytes& target) {
    ExivImage to = ReadMetadataOf(target);
    bool any = false;
    if (Holds(*to, Exiv2::mdExif)) to->setExifData(from.exifData()), any = true;
    if (Holds(*to, Exiv2::mdIptc)) to->setIptcData(from.iptcData()), any = true;
    if (Holds(*to, Exiv2::mdXmp)) to->setXmpData(from.xmpData()), any = true;
    if (Holds(*to, Exiv2::mdComment)) to->setComment(from.comment()), any = true;
    if (!any) return true;
    to->writeMetadata();
    Exiv2::BasicIo& io = to->io();
    if (io.open() != 0) return false;
    Exiv2::DataBuf written = io.read(static_cast<long>(io.size()));
    io.close();
    target.assign(written.pData_, written.pData_ + written.size_);
    return true;
}

// Copies what the target format can hold of the source's metadata into the
// encoded target. Formats that hold none (BMP) are left as they are. False
// only when metadata that was read could not be written.
bool CopyMetadata(const Bytes& source, Bytes& target) {
    ExivImage from;
    try {
        from = ReadMetadataOf(source);
    } catch (const Exiv2::AnyError&) {
        return true;  // nothing readable to carry over
    }
    try {
        return WriteMetadataInto(*from, target);
    } catch (const Exiv2::AnyError&) {
        return false;
    }
}

std::string FolderOf(const std::string& path) {
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

TurnResult SaveFailed(int code) { return {TurnResult::SaveFailed, code}; }

TurnResult Store(const std::string& path, const Bytes& data) {
    int error = ReplaceFileKeepingMode(path, data);
    return error == 0 ? TurnResult{} : SaveFailed(error);
}

}  // namespace

bool TurnJpegLosslessly(const Bytes& jpeg, Bytes& out) {
    tjhandle handle = tjInitTransform();
    if (!handle) return false;
    tjtransform transform{};
    transform.op = TJXOP_ROT90;
    transform.options = TJXOPT_PERFECT;
    unsigned char* turned = nullptr;
    unsigned long turnedSize = 0;
    int rc = tjTransform(handle, jpeg.data(), jpeg.size(), 1, &turned, &turnedSize, &transform, 0);
    if (rc == 0) out.assign(turned, turned + turnedSize);
    tjFree(turned);
    tjDestroy(handle);
    return rc == 0;
}

int ReplaceFileKeepingMode(const std::string& path, const Bytes& data) {
    if (int fault = platform::InjectedFault(platform::FileOp::Write, path)) return fault;
    struct stat original {};
    if (::stat(path.c_str(), &original) != 0) return errno;
    // A hidden name without a photo extension, so no scan ever catalogues it.
    std::string temp = platform::JoinPath(FolderOf(path), ".pictavo-turn-XXXXXX");
    int fd = ::mkstemp(temp.data());
    if (fd < 0) return errno;
    int error = 0;
    for (std::size_t done = 0; done < data.size() && error == 0;) {
        ssize_t put = ::write(fd, data.data() + done, data.size() - done);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0)
            error = put < 0 ? errno : platform::kErrorDiskFull;
        else
            done += static_cast<std::size_t>(put);
    }
    if (error == 0 && ::fchmod(fd, original.st_mode & 07777) != 0) error = errno;
    // Only root may hand the file to its owner; others keep their own files anyway.
    if (error == 0) (void)!::fchown(fd, original.st_uid, original.st_gid);
    if (error == 0 && ::fsync(fd) != 0) error = errno;
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error == 0 && ::rename(temp.c_str(), path.c_str()) != 0) error = errno;
    if (error != 0) ::unlink(temp.c_str());
    return error;
}

TurnResult QtPixelTurner::TurnClockwise(const std::string& path, ImageEncoder encoder) {
    Bytes original;
    if (!ReadWholeFile(path, original) || original.empty()) return {TurnResult::CannotOpen, 0};
    Bytes turned;
    if (encoder == ImageEncoder::Jpeg && TurnJpegLosslessly(original, turned))
        return Store(path, turned);
    QImage image = DecodeAsStored(original);
    if (image.isNull()) return {TurnResult::CannotOpen, 0};
    const char* format = QtFormatFor(encoder);
    if (!CanWrite(format)) return {TurnResult::Unsupported, 0};
    if (!Encode(image.transformed(QTransform().rotate(90)), format, turned)) return SaveFailed(EIO);
    if (!CopyMetadata(original, turned)) return SaveFailed(EIO);
    return Store(path, turned);
}

}  // namespace pictavo
