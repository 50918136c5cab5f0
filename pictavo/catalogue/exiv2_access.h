#pragma once
// The one way into Exiv2. Besides its own error type it throws standard
// exceptions (overflow, out of range, allocation) on malformed blocks; none of
// them may leave a call into it, so every caller goes through Guarded.
#include <memory>
#include <string>
#include <vector>

// Exiv2 0.27 hands images out as std::auto_ptr; the warning is about its header.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>
#pragma GCC diagnostic pop

namespace pictavo::exiv2 {

using ImagePtr = std::unique_ptr<Exiv2::Image>;
using Bytes = std::vector<unsigned char>;

// Runs work and answers whether it finished: false when anything was thrown.
template <class Work>
bool Guarded(Work&& work) noexcept {
    try {
        work();
        return true;
    } catch (...) {
        return false;
    }
}

// A file or buffer opened and its metadata parsed; null when Exiv2 cannot.
ImagePtr OpenFile(const std::string& path);
ImagePtr OpenBytes(const Bytes& data);

// The image's whole content after writeMetadata (an image opened from bytes).
bool ContentOf(Exiv2::Image& image, Bytes& out);

}  // namespace pictavo::exiv2
