#include "pictavo/catalogue/exiv2_access.h"

namespace pictavo::exiv2 {
namespace {

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
ImagePtr Parsed(Exiv2::Image::AutoPtr opened) {
    ImagePtr image(opened.release());
    if (image) image->readMetadata();
    return image;
}
#pragma GCC diagnostic pop

}  // namespace

ImagePtr OpenFile(const std::string& path) {
    ImagePtr image;
    if (!Guarded([&] { image = Parsed(Exiv2::ImageFactory::open(path, false)); })) return nullptr;
    return image;
}

ImagePtr OpenBytes(const Bytes& data) {
    ImagePtr image;
    bool opened = Guarded([&] {
        image = Parsed(Exiv2::ImageFactory::open(data.data(), static_cast<long>(data.size())));
    });
    return opened ? std::move(image) : nullptr;
}

bool ContentOf(Exiv2::Image& image, Bytes& out) {
    return Guarded([&] {
        Exiv2::BasicIo& io = image.io();
        if (io.open() != 0) throw Exiv2::Error(Exiv2::kerDataSourceOpenFailed, io.path());
        Exiv2::DataBuf content = io.read(static_cast<long>(io.size()));
        io.close();
        out.assign(content.pData_, content.pData_ + content.size_);
    });
}

}  // namespace pictavo::exiv2
