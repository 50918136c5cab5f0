#include "cairnly/pages/report/report.h"

#include <cctype>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <optional>
#include <ostream>
#include <sstream>
#include <string_view>
#include <utility>

#include "cairnly/engine/hash_cache.h"
#include "cairnly/pages/headless_scan_view.h"
#include "cairnly/pages/page_layout.h"
#include "platform/files.h"
#include "platform/text.h"
#include "shared/command_line.h"
#include "shared/json_text.h"
#include "shared/program_info.h"
#include "shared/terminal_progress.h"

namespace cairnly::report {

namespace {

constexpr const char* kProgram = "cairnly-report";
constexpr float kMaxMegabytes = 1.0e9f;  // keeps the byte threshold within 64 bits
constexpr std::size_t kRootFolderUnits = 559;

std::string Error(const std::string& text) { return std::string(kProgram) + ": " + text; }

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

// Digits only: no sign, blank, hexadecimal or exponent.
std::optional<std::uint64_t> WholeNumber(std::string_view text) {
    std::uint64_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// The MB a unit stands for (K, M, G or T, powers of 1024, optionally followed
// by B or iB); no unit means MB.
std::optional<double> UnitMegabytes(std::string_view unit) {
    if (unit.empty()) return 1.0;
    static const std::pair<char, double> kUnits[] = {
        {'K', 1.0 / 1024}, {'M', 1.0}, {'G', 1024.0}, {'T', 1024.0 * 1024}};
    std::string_view rest = unit.substr(1);
    if (!rest.empty() && rest != "B" && rest != "iB") return std::nullopt;
    for (auto [letter, megabytes] : kUnits)
        if (std::toupper(static_cast<unsigned char>(unit[0])) == letter) return megabytes;
    return std::nullopt;
}

// "1.5", "500M", "1G", "64K": decimal digits with an optional fraction and unit.
bool ParseMegabytes(const std::string& text, float& out) {
    std::size_t numberEnd = text.find_first_not_of("0123456789.");
    std::string_view number = std::string_view(text).substr(0, numberEnd);
    std::size_t point = number.find('.');
    std::string_view whole = number.substr(0, point);
    std::string_view fraction = point == std::string_view::npos ? "" : number.substr(point + 1);
    if (whole.empty() && fraction.empty()) return false;
    if ((!whole.empty() && !WholeNumber(whole)) || (!fraction.empty() && !WholeNumber(fraction)))
        return false;
    std::optional<double> unit = UnitMegabytes(
        numberEnd == std::string::npos ? "" : std::string_view(text).substr(numberEnd));
    if (!unit) return false;
    double value = std::strtod(std::string(number).c_str(), nullptr) * *unit;
    if (value > kMaxMegabytes) return false;
    out = static_cast<float>(value);
    return true;
}

bool ParseMinPartial(const std::string& text, std::int32_t& out) {
    std::optional<std::uint64_t> value = WholeNumber(text);
    if (!value || *value < 2 || *value > 1'000'000) return false;
    out = static_cast<std::int32_t>(*value);
    return true;
}

std::string Lowered(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// A page by its short word or its tab caption, in any letter case.
std::optional<int> PageNamed(const std::string& name) {
    static const char* const kWords[kPageCount] = {"folders", "files", "duplicates", "partial"};
    for (int page = 0; page < kPageCount; ++page) {
        if (Lowered(name) == kWords[page] ||
            Lowered(name) == Lowered(pages::LayoutOf(page).tabCaption))
            return page;
    }
    return std::nullopt;
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

std::string BadValue(const std::string& name, const std::string& value, const char* expected) {
    return "bad value " + Quoted(value) + " for " + name + " (" + expected + ")";
}

void AddValue(shared::OptionParser& parser, const std::string& name, const char* expected,
              std::function<bool(const std::string&)> store) {
    parser.Value(name, [name, expected, store = std::move(store)](const std::string& value) {
        return store(value) ? std::string() : BadValue(name, value, expected);
    });
}

void AddFlag(shared::OptionParser& parser, const std::string& name, bool& flag) {
    parser.Flag(name, [&flag] {
        flag = true;
        return std::string();
    });
}

void AddSizeOption(shared::OptionParser& parser, const std::string& name,
                   std::optional<float>& size) {
    AddValue(parser, name, "MB, or a size with a unit K, M, G or T, 0 or more",
             [&size](const std::string& value) {
                 float mb = 0;
                 if (!ParseMegabytes(value, mb)) return false;
                 size = mb;
                 return true;
             });
}

shared::OptionParser ReportOptionParser(ReportOptions& o) {
    shared::OptionParser parser;
    AddValue(parser, "--mode", "quick, partial or deep", [&o](const std::string& value) {
        std::int32_t mode = 0;
        if (!ParseMode(value, mode)) return false;
        o.mode = mode;
        return true;
    });
    AddSizeOption(parser, "--min-file-mb", o.minFileMB);
    AddSizeOption(parser, "--min-folder-mb", o.minFolderMB);
    AddValue(parser, "--min-partial", "a whole number, 2 or more", [&o](const std::string& value) {
        std::int32_t n = 0;
        if (!ParseMinPartial(value, n)) return false;
        o.minPartial = n;
        return true;
    });
    AddValue(parser, "--skip-system-folders", "on or off", [&o](const std::string& value) {
        bool on = false;
        if (!ParseOnOff(value, on)) return false;
        o.skipSystemFolders = on;
        return true;
    });
    AddValue(parser, "--page", "folders, files, duplicates or partial",
             [&o](const std::string& value) {
                 o.page = PageNamed(value);
                 return o.page.has_value();
             });
    AddFlag(parser, "--help", o.help);
    AddFlag(parser, "-h", o.help);
    AddFlag(parser, "--version", o.version);
    AddFlag(parser, "--json", o.json);
    AddFlag(parser, "--progress", o.progress);
    AddFlag(parser, "--quiet", o.quiet);
    AddFlag(parser, "--photo", o.photo);
    parser.Operand([&o](const std::string& arg) -> std::string {
        if (!o.folder.empty()) return "more than one FOLDER given: " + Quoted(arg);
        if (arg.empty()) return "the FOLDER is empty";
        o.folder = arg;
        return {};
    });
    return parser;
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
    out += shared::JsonEscape(text);
    out += '"';
}

void AppendPath(std::string& out, const std::string& key, const std::string& path) {
    out += ", " + shared::JsonPathMembers(key, path);
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
    if (page == kFilesPage)
        return state.Files.ValidIndex(item) ? state.Files.At(static_cast<std::size_t>(item))
                                            : nullptr;
    return state.Duplicates.ValidIndex(item) ? state.Duplicates.At(static_cast<std::size_t>(item))
                                             : nullptr;
}

// The record fields a row of each page carries beside its cells.
std::string RowFields(const CairnlyState& state, int page, long item) {
    std::string out;
    if (page == kFoldersPage && state.Folders.ValidIndex(item)) {
        const FolderRecord* f = state.Folders.At(static_cast<std::size_t>(item));
        if (!f) return out;
        AppendPath(out, "path", *f->Path);
        out += ", \"bytes\": " + Number(f->OwnSize) + ", \"total_bytes\": " + Number(f->TotalSize);
    } else if (page == kFilesPage || page == kDuplicatesPage) {
        const FileRecord* r = FileOfRow(state, page, item);
        if (!r) return out;
        AppendPath(out, "path", r->FullPath());
        out += ", \"bytes\": " + Number(r->Size);
        if (page == kDuplicatesPage) out += ", \"group\": " + Number(r->DupGroup);
    } else if (page == kPartialPage && state.Partials.ValidIndex(item)) {
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

}  // namespace

std::string ParseArguments(const std::vector<std::string>& args, ReportOptions& options) {
    std::string error = ReportOptionParser(options).Parse(args);
    if (error.rfind("unknown option", 0) == 0) error += " (try --help)";
    if (!error.empty()) return Error(error);
    if (options.help || options.version) return {};
    if (options.folder.empty()) return Error("no FOLDER given (try --help)");
    return CheckFolder(options.folder);
}

std::string UsageText() {
    return R"(Usage: cairnly-report [options] FOLDER

Scans FOLDER once, as Cairnly's Start button does, and prints the four result
pages in page order (Largest folders, Largest files, Duplicate files, Partial
duplicate folders), each with its summary line. Nothing is ever deleted, and
no settings file or log is read or written. The deep comparison reads and
updates Cairnly's file hash cache, as a scan in the window does
($XDG_CACHE_HOME/quillfen/cairnly-hashes.bin, by default under ~/.cache).

The scan uses Cairnly's first-run defaults (minimum file size 1 MB, minimum
folder size 100 MB, very quick duplicate comparison, 8 duplicate files for a
partial duplicate folder, system folders skipped) unless changed below.

Options:
  --mode quick|partial|deep   duplicate comparison: quick = time stamp or sum of
                              the first 64 KiB, partial = sum of the first 64 KiB,
                              deep = SHA-1 of the whole file
  --min-file-mb SIZE          record only files larger than SIZE
  --min-folder-mb SIZE        list folders whose own files reach SIZE
                              SIZE is in MB (1.5), or has a unit K, M, G or T
                              (powers of 1024: 1G = 1024M, 64K = 0.0625 MB);
                              0 or more, decimal digits only
  --min-partial N             duplicate files a partial duplicate folder needs (2 or more)
  --skip-system-folders on|off
                              skip /proc, /sys, /dev, /run and system folders
  --photo                     photo mode: image files only (.jpg, .jpeg, .png,
                              .bmp in the name), no file size minimum, quick
                              partial comparison, folders from 10 MB; options
                              given as well override these values
  --page NAME                 print only one page: folders, files, duplicates
                              or partial (or its tab name, such as
                              "Largest files")
  --json                      print one JSON object instead of text
  --progress                  print each status text to stderr, a line each;
                              on a terminal progress is always shown, on one
                              line rewritten in place
  --quiet                     show no progress
  -h, --help                  show this help
      --version               show the version
Options take their value as the next argument or after '=' (--mode=deep).
'--' ends the options, for a FOLDER that begins with '-'.

Text output: a line with the folder, then for each page its tab name, its
summary, the column captions and one line per row, cells separated by tabs.

JSON output: {"root": FOLDER, "unreadable_folders": N, "pages": [four objects in
page order, or the one of --page]} (N = folders that could not be read, or not
completely), each page
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

std::string PagesAsText(const CairnlyState& state, const pages::ResultPages& pages,
                        std::optional<int> only) {
    std::ostringstream out;
    out << "Cairnly report for " << state.Criteria().RootFolder << "\n";
    for (int page = 0; page < kPageCount; ++page) {
        if (only && page != *only) continue;
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

std::string PagesAsJson(const CairnlyState& state, const pages::ResultPages& pages,
                        std::optional<int> only) {
    std::string out = "{";
    AppendPath(out, "root", state.Criteria().RootFolder);
    out.erase(1, 2);  // the leading ", " of the first member
    out += ", \"unreadable_folders\": " + Number(state.UnreadableFolders.load());
    out += ", \"pages\": [\n  ";
    for (int page = 0; page < kPageCount; ++page) {
        if (only && page != *only) continue;
        if (!out.ends_with("[\n  ")) out += ",\n  ";
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
    if (options.version) {
        out << shared::VersionText("cairnly-report", shared::kCairnlyVersion);
        return 0;
    }
    ScanSettings settings;
    ApplyOptions(options, settings);
    shared::DesktopServices services("Cairnly", [] { return 0; });
    using Mode = shared::TerminalProgress::Mode;
    shared::TerminalProgress progress(
        err, shared::TerminalProgress::ModeFor(options.quiet, stderrIsTerminal,
                                               options.progress ? Mode::Lines : Mode::Quiet));
    services.SetStatusSink([&progress](const std::string& text) { progress.Show(text); });
    CairnlyState state(settings, services);
    state.PhotoMode.store(options.photo);
    state.HashCachePath = HashCache::DefaultPath();
    pages::NullPageView pageView;
    pages::ResultPages resultPages(state, pageView);
    pages::HeadlessScanView view(resultPages);
    bool scanned = pages::RunScanToEnd(state, view);
    services.SetStatusSink(nullptr);
    progress.Finish();
    if (!scanned) {
        err << Error("the scan could not start: " + services.LastStatus()) << '\n';
        return 1;
    }
    out << (options.json ? PagesAsJson(state, resultPages, options.page)
                         : PagesAsText(state, resultPages, options.page));
    return 0;
}

}  // namespace cairnly::report
