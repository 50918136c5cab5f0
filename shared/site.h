#pragma once
// The maker's web site. Help and the home page open the local copy of the site
// that is installed with the programs (or, in a build tree, the copy in the
// source tree), so Help works offline. The root is the one place that names
// the site; every address is made from it.
#include <string>
#include <string_view>

namespace shared {

// Path of the local site folder: <executable folder>/../share/quillfen/site when
// it holds index.html, else the source tree's site/ folder. No trailing '/'.
std::string SiteFolder();

// The site root as a URL without a trailing '/', e.g. "file:///opt/q/share/quillfen/site".
std::string MakerSiteRoot();

// Address of a page of the site from its path on the maker's site, e.g.
// SiteAddress("/photo-cleanup-software/pictavo-help") ->
// "<root>/photo-cleanup-software/pictavo-help/index.html". A path that names a
// file (ends in ".html") is kept as it is; "" and "/" give the home page.
std::string SiteAddress(std::string_view path);

std::string HomePageAddress();     // SiteAddress("/")
std::string PictavoHelpAddress();  // /photo-cleanup-software/pictavo-help
std::string CairnlyHelpAddress();  // /disk-cleanup-software/disk-space-cleanup-help

// "file://" + the path with every byte outside A-Z a-z 0-9 - . _ ~ / percent-encoded.
std::string FileUrlFromPath(std::string_view absolutePath);

}  // namespace shared
