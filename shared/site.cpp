#include "shared/site.h"

#include <stdlib.h>

#include <cstdlib>

#include "platform/files.h"
#include "platform/known_folders.h"

#ifndef QUILLFEN_SOURCE_SITE_DIR
#define QUILLFEN_SOURCE_SITE_DIR ""
#endif
#ifndef QUILLFEN_SITE_INSTALL_DIR
#define QUILLFEN_SITE_INSTALL_DIR "share/quillfen/site"
#endif

namespace shared {
namespace {

bool HasHomePage(const std::string& folder) {
    return !folder.empty() && platform::FileExists(platform::JoinPath(folder, "index.html"));
}

// The real path (no "..", no links) when there is one, without a trailing '/'.
std::string Normalise(std::string path) {
    if (char* real = ::realpath(path.c_str(), nullptr)) {
        path = real;
        std::free(real);
    }
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

}  // namespace

std::string SiteFolder() {
    std::string exeFolder = platform::ExecutableFolder();
    if (!exeFolder.empty()) {
        std::string installed = Normalise(exeFolder + "/../" + QUILLFEN_SITE_INSTALL_DIR);
        if (HasHomePage(installed)) return installed;
    }
    return Normalise(QUILLFEN_SOURCE_SITE_DIR);
}

std::string FileUrlFromPath(std::string_view absolutePath) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string url = "file://";
    for (char ch : absolutePath) {
        unsigned char c = static_cast<unsigned char>(ch);
        bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                     c == '-' || c == '.' || c == '_' || c == '~' || c == '/';
        if (plain) {
            url += ch;
        } else {
            url += '%';
            url += kHex[c >> 4];
            url += kHex[c & 15];
        }
    }
    return url;
}

std::string MakerSiteRoot() {
    static const std::string root = FileUrlFromPath(SiteFolder());
    return root;
}

std::string SiteAddress(std::string_view path) {
    std::string p(path);
    while (!p.empty() && p.front() == '/') p.erase(p.begin());
    while (!p.empty() && p.back() == '/') p.pop_back();
    std::string address = MakerSiteRoot() + "/";
    if (p.empty()) return address + "index.html";
    if (p.size() >= 5 && p.compare(p.size() - 5, 5, ".html") == 0) return address + p;
    return address + p + "/index.html";
}

std::string HomePageAddress() { return SiteAddress("/"); }
std::string PictavoHelpAddress() { return SiteAddress("/photo-cleanup-software/pictavo-help"); }
std::string CairnlyHelpAddress() {
    return SiteAddress("/disk-cleanup-software/disk-space-cleanup-help");
}

}  // namespace shared
