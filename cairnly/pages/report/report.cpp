#include "cairnly/pages/report/report.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ostream>
#include <sstream>

#include "cairnly/pages/headless_scan_view.h"
#include "cairnly/pages/page_layout.h"
#include "platform/files.h"
#include "platform/text.h"

namespace cairnly::report {

namespace {

constexpr const char* kProgram = "cairnly-report";
constexpr float kMaxMegabytes = 1.0e9f;  // keeps the byte threshold within 64 bits
constexpr std::size_t kRootFolderUnits = 559;

std::string Error(const std::string& text) { return std::string(kProgram) + ": " + text; }

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

bool ParseMegabytes(const std::string& text, float& out) {
    if (text.empty()) return false;
    errno = 0;
    char* end = nullptr;
    float value = std::strtof(text.c_str(), &end);
    if (errno != 0 || *end != '\0' || !std::isfinite(value)) return false;
    if (value < 0.0f || value > kMaxMegabytes) return false;
    out = value;
    return true;
}

bool ParseMinPartial(const std::string& text, std::int32_t& out) {
    if (text.empty()) return false;
    errno = 0;
    char* end = nullptr;
    long value = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || value < 2 || value > 1'000'000) return false;
    out = static_cast<std::int32_t>(value);
    return true;
}

bool ParseMode(const std::string& text, std::int32_t& out) {
    if (text == "quick")
        out = 0;
    else if (text == "partial")
        out = 1;
    else if (text == "deep")
        out = 2;
    else
        return false;
    return true;
}

bool ParseOnOff(const std::string& text, bool& out) {
    if (text == "on")
        out = true;
    else if (text == "off")
        out = false;
    else
        return false;
    return true;
}

bool TakesValue(const std::string& name) {
    return name == "--mode" || name == "--min-file-mb" || name == "--min-folder-mb" ||
           name == "--min-partial" || name == "--skip-system-folders";
}

// Stores one option with a value; returns the error text or "".
std::string StoreValue(const std::string& name, const std::string& value, ReportOptions& o) {
    auto bad = [&](const char* expected) {
        return Error("bad value " + Quoted(value) + " for " + name + " (" + expected + ")");
    };
    if (name == "--mode") {
        std::int32_t mode = 0;
        if (!ParseMode(value, mode)) return bad("quick, partial or deep");
        o.mode = mode;
    } else if (name == "--min-file-mb" || name == "--min-folder-mb") {
        float mb = 0;
        if (!ParseMegabytes(value, mb)) return bad("a number of MB, 0 or more");
        (name == "--min-file-mb" ? o.minFileMB : o.minFolderMB) = mb;
    } else if (name == "--min-partial") {
        std::int32_t n = 0;
        if (!ParseMinPartial(value, n)) return bad("a whole number, 2 or more");
        o.minPartial = n;
    } else {
        bool on = false;
        if (!ParseOnOff(value, on)) return bad("on or off");
        o.skipSystemFolders = on;
    }
    return {};
}

std::string StoreFlag(const std::string& name, ReportOptions& o) {
    if (name == "--help" || name == "-h")
        o.help = true;
    else if (name == "--json")
        o.json = true;
    else if (name == "--progress")
        o.progress = true;
    else if (name == "--photo")
        o.photo = true;
    else
        return Error("unknown option " + Quoted(name) + " (try --help)");
    return {};
}

std::string StorePositional(const std::string& arg, ReportOptions& o) {
    if (!o.folder.empty()) return Error("more than one FOLDER given: " + Quoted(arg));
    if (arg.empty()) return Error("the FOLDER is empty");
    o.folder = arg;
    return {};
}

std::string CheckFolder(const std::string& folder) {
    if (platform::Utf16Length(folder) > kRootFolderUnits)
        return Error("folder path too long (at most 559 characters): " + Quoted(folder));
    if (!platform::FolderExists(folder))
        return Error((platform::GetAttributes(folder) ? "not a folder: " : "no such folder: ") +
                     Quoted(folder));
    int listed = platform::ListFolder(folder, [](const platform::DirEntry&) { return false; });
    if (listed != 0)
        return Error("cannot read folder " + Quoted(folder) + ": " + std::strerror(listed));
    return {};
}

void AppendJsonString(std::string& out, const std::string& text) {
    out += '"';
    out += JsonEscape(text);
    out += '"';
}

// "path" and, when the path is not valid UTF-8, its exact bytes in base64.
void AppendPath(std::string& out, const std::string& key, const std::string& path) {
    out += ", \"" + key + "\": ";
    AppendJsonString(out, path);
    if (!platform::IsValidUtf8(path)) {
        out += ", \"" + key + "_bytes\": ";
        AppendJsonString(out, Base64(path));
    }
}

void AppendCells(std::string& out, const std::vector<std::string>& cells) {
    out += "\"cells\": [";
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (i > 0) out += ", ";
        AppendJsonString(out, cells[i]);
    }
    out += "]";
}

std::string Number(std::int64_t value) { return std::to_string(value); }

const FileRecord* FileOfRow(const CairnlyState& state, int page, long item) {
    if (page == pages::kFilesPage)
        return state.Files.ValidIndex(item) ? state.Files.At(static_cast<std::size_t>(item))
                                            : nullptr;
    return state.Duplicates.ValidIndex(item) ? state.Duplicates.At(static_cast<std::size_t>(item))
                                             : nullptr;
}

// The record fields a row of each page carries beside its cells.
std::string RowFields(const CairnlyState& state, int page, long item) {
    std::string out;
    if (page == pages::kFoldersPage && state.Folders.ValidIndex(item)) {
        const FolderRecord* f = state.Folders.At(static_cast<std::size_t>(item));
        if (!f) return out;
        AppendPath(out, "path", *f->Path);
        out += ", \"bytes\": " + Number(f->OwnSize) + ", \"total_bytes\": " + Number(f->TotalSize);
    } else if (page == pages::kFilesPage || page == pages::kDuplicatesPage) {
        const FileRecord* r = FileOfRow(state, page, item);
        if (!r) return out;
        AppendPath(out, "path", r->FullPath());
        out += ", \"bytes\": " + Number(r->Size);
        if (page == pages::kDuplicatesPage) out += ", \"group\": " + Number(r->DupGroup);
    } else if (page == pages::kPartialPage && state.Partials.ValidIndex(item)) {
        const PartialFolderRecord* p = state.Partials.At(static_cast<std::size_t>(item));
        if (!p) return out;
        AppendPath(out, "path", *p->Path);
        out += ", \"bytes\": " + Number(p->DuplicateSize) +
               ", \"group\": " + Number(p->PartialGroup) +
               ", \"duplicates\": " + Number(p->MemberCount());
    }
    return out;
}

std::string PageAsJson(const CairnlyState& state, const pages::ResultPages& pages, int page) {
    std::string out = "{\"page\": ";
    AppendJsonString(out, pages::LayoutOf(page).tabCaption);
    out += ", \"summary\": ";
    AppendJsonString(out, state.PageStatusText(page));
    out += ", \"rows\": [";
    const auto& rows = pages.Rows(page);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        out += i == 0 ? "\n    {" : ",\n    {";
        AppendCells(out, rows[i].cells);
        out += RowFields(state, page, rows[i].itemData);
        out += "}";
    }
    out += rows.empty() ? "]}" : "\n  ]}";
    return out;
}

void SetStatusPrinter(shared::DesktopServices& services, std::ostream& err, bool show) {
    if (!show) return;
    services.SetStatusSink([&err](const std::string& text) { err << text << '\n' << std::flush; });
}

}  // namespace

std::string JsonEscape(const std::string& text) {
    std::string valid = platform::Utf16ToUtf8(platform::Utf8ToUtf16(text));
    std::string out;
    out.reserve(valid.size());
    for (unsigned char c : valid) {
        if (c == '"')
            out += "\\\"";
        else if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\t')
            out += "\\t";
        else if (c == '\r')
            out += "\\r";
        else if (c < 0x20) {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
            out += buffer;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::string Base64(const std::string& bytes) {
    static const char* kAlphabet =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    std::size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        unsigned v = (static_cast<unsigned char>(bytes[i]) << 16) |
                     (static_cast<unsigned char>(bytes[i + 1]) << 8) |
                     static_cast<unsigned char>(bytes[i + 2]);
        for (int shift = 18; shift >= 0; shift -= 6) out += kAlphabet[(v >> shift) & 63];
    }
    std::size_t rest = bytes.size() - i;
    if (rest > 0) {
        unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
        if (rest == 2) v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += rest == 2 ? kAlphabet[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

std::string ParseArguments(const std::vector<std::string>& args, ReportOptions& options) {
    bool positionalOnly = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        std::string error;
        if (positionalOnly || arg.size() < 2 || arg[0] != '-') {
            error = StorePositional(arg, options);
        } else if (arg == "--") {
            positionalOnly = true;
        } else {
            std::size_t equals = arg.find('=');
            std::string name = arg.substr(0, equals);
            if (!TakesValue(name)) {
                error = equals == std::string::npos
                            ? StoreFlag(name, options)
                            : Error("option " + Quoted(name) + " takes no value");
            } else if (equals != std::string::npos) {
                error = StoreValue(name, arg.substr(equals + 1), options);
            } else if (i + 1 < args.size()) {
                error = StoreValue(name, args[++i], options);
            } else {
                error = Error("option " + Quoted(name) + " needs a value");
            }
        }
        if (!error.empty()) return error;
    }
    if (options.help) return {};
    if (options.folder.empty()) return Error("no FOLDER given (try --help)");
    return CheckFolder(options.folder);
}

std::string UsageText() {
    return R"(Usage: cairnly-report [options] FOLDER

Scans FOLDER once, as Cairnly's Start button does, and prints the four result
pages in page order (Largest folders, Largest files, Duplicate files, Partial
duplicate folders), each with its summary line. Nothing is ever deleted, and
no settings file or log is read or written.

The scan uses Cairnly's first-run defaults (minimum file size 1 MB, minimum
folder size 100 MB, very quick duplicate comparison, 8 duplicate files for a
partial duplicate folder, system folders skipped) unless changed below.

Options:
  --mode quick|partial|deep   duplicate comparison: quick = time stamp or sum of
                              the first 64 KiB, partial = sum of the first 64 KiB,
                              deep = SHA-1 of the whole file
  --min-file-mb MB            record only files larger than MB (0 or more)
  --min-folder-mb MB          list folders whose own files reach MB (0 or more)
  --min-partial N             duplicate files a partial duplicate folder needs (2 or more)
  --skip-system-folders on|off
                              skip /proc, /sys, /dev, /run and system folders
  --photo                     photo mode: image files only (.jpg, .jpeg, .png,
                              .bmp in the name), no file size minimum, quick
                              partial comparison, folders from 10 MB; options
                              given as well override these values
  --json                      print one JSON object instead of text
  --progress                  print each status text to stderr (also done
                              when stderr is a terminal)
  -h, --help                  show this help
Options take their value as the next argument or after '='. '--' ends the options.

Text output: a line with the folder, then for each page its tab name, its
summary, the column captions and one line per row, cells separated by tabs.

JSON output: {"root": FOLDER, "pages": [four objects in page order]}, each page
{"page": tab name, "summary": summary line, "rows": [...]}, each row
{"cells": [texts as shown], "path": full path, "bytes": size} and also
  Largest folders:           "total_bytes" (size including subdirectories;
                             "bytes" is the size of the folder's own files)
  Duplicate files:           "group" (Dup#)
  Partial duplicate folders: "group" (Dup#), "duplicates" (Num. duplicates),
                             "bytes" = size of the folder's duplicate files
A path that is not valid UTF-8 is shown with U+FFFD in its place and also
given exactly as base64 in "path_bytes" (and "root_bytes" for the folder).

Exit status: 0 after a scan, 2 for a bad option or value or a missing or
unreadable FOLDER (nothing is scanned), 1 if the scan could not start.
)";
}

void ApplyOptions(const ReportOptions& options, ScanSettings& settings) {
    settings.SetDefaults();
    if (options.photo) settings.SetPhotoModeValues();
    settings.SetRootFolder(options.folder);
    if (options.mode) settings.SetDuplicateMode(*options.mode);
    if (options.minFileMB) settings.SetMinFileSizeMB(*options.minFileMB);
    if (options.minFolderMB) settings.SetMinFolderSizeMB(*options.minFolderMB);
    if (options.minPartial) settings.SetMinPartialDuplicates(*options.minPartial);
    if (options.skipSystemFolders) settings.SetSkipSystemFolders(*options.skipSystemFolders);
    settings.SetLogLevel(0);
}

std::string PagesAsText(const CairnlyState& state, const pages::ResultPages& pages) {
    std::ostringstream out;
    out << "Cairnly report for " << state.Criteria().RootFolder << "\n";
    for (int page = 0; page < pages::kPageCount; ++page) {
        const pages::PageLayout& layout = pages::LayoutOf(page);
        out << "\n== " << layout.tabCaption << " ==\n" << state.PageStatusText(page) << "\n";
        for (std::size_t c = 0; c < layout.columns.size(); ++c)
            out << (c ? "\t" : "") << layout.columns[c].caption;
        out << "\n";
        for (const pages::PageRow& row : pages.Rows(page)) {
            for (std::size_t c = 0; c < row.cells.size(); ++c)
                out << (c ? "\t" : "") << row.cells[c];
            out << "\n";
        }
    }
    return out.str();
}

std::string PagesAsJson(const CairnlyState& state, const pages::ResultPages& pages) {
    std::string out = "{";
    AppendPath(out, "root", state.Criteria().RootFolder);
    out.erase(1, 2);  // the leading ", " of the first member
    out += ", \"pages\": [\n  ";
    for (int page = 0; page < pages::kPageCount; ++page) {
        if (page > 0) out += ",\n  ";
        out += PageAsJson(state, pages, page);
    }
    out += "\n]}\n";
    return out;
}

int RunReport(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
              bool stderrIsTerminal) {
    ReportOptions options;
    std::string error = ParseArguments(args, options);
    if (!error.empty()) {
        err << error << '\n';
        return 2;
    }
    if (options.help) {
        out << UsageText();
        return 0;
    }
    ScanSettings settings;
    ApplyOptions(options, settings);
    shared::DesktopServices services("Cairnly", [] { return 0; });
    SetStatusPrinter(services, err, options.progress || stderrIsTerminal);
    CairnlyState state(settings, services);
    state.PhotoMode.store(options.photo);
    pages::NullPageView pageView;
    pages::ResultPages resultPages(state, pageView);
    pages::HeadlessScanView view(resultPages);
    if (!pages::RunScanToEnd(state, view)) {
        err << Error("the scan could not start: " + services.LastStatus()) << '\n';
        return 1;
    }
    out << (options.json ? PagesAsJson(state, resultPages) : PagesAsText(state, resultPages));
    return 0;
}

}  // namespace cairnly::report
