#include "pictavo/catalogue/catalogue_command.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "pictavo/catalogue/loading.h"
#include "pictavo/catalogue/metadata.h"
#include "pictavo/catalogue/size_text.h"
#include "platform/text.h"
#include "shared/command_line.h"
#include "shared/json_text.h"
#include "shared/program_info.h"
#include "shared/terminal_progress.h"
#include "shared/text_format.h"

namespace pictavo {
namespace {

const char kUsage[] = "Usage: pictavo-catalogue [--json] [--quiet] [--] FOLDER";

const char kHelp[] =
    "Scans FOLDER as Pictavo's loading does and prints the catalogue in date\n"
    "order, one photo a line: position, photo time with \"(date taken)\" or\n"
    "\"(file date)\", rating and description as the caption shows them,\n"
    "orientation, size and full path. Nothing on disk is changed.\n"
    "\n"
    "Options:\n"
    "  --json      print one JSON object instead; a path or text that is not\n"
    "              valid UTF-8 shows U+FFFD there and is also given exactly as\n"
    "              base64 in \"path_bytes\" (\"folder_bytes\", \"dateTakenText_bytes\")\n"
    "  --quiet     no progress (on a terminal the scan's progress is shown on one\n"
    "              line of stderr)\n"
    "  -h, --help  show this help\n"
    "  --version   show the version\n"
    "'--' ends the options, for a FOLDER that begins with '-'.\n"
    "\n"
    "Exit status 2 for a missing folder or a bad option.\n";

struct Options {
    std::string folder;
    bool json = false;
    bool quiet = false;
};

std::optional<Options> ParseOptions(int argc, const char* const* argv, std::ostream& err) {
    Options options;
    bool haveFolder = false;
    shared::OptionParser parser;
    parser.Flag("--json", [&] {
        options.json = true;
        return std::string();
    });
    parser.Flag("--quiet", [&] {
        options.quiet = true;
        return std::string();
    });
    parser.Operand([&](const std::string& arg) {
        if (haveFolder) return std::string("more than one folder given");
        options.folder = arg;
        haveFolder = true;
        return std::string();
    });
    std::string error = parser.Parse(std::vector<std::string>(argv + 1, argv + argc));
    if (error.empty() && !haveFolder) error = "no folder given";
    if (!error.empty()) {
        err << "pictavo-catalogue: " << error << " (" << kUsage << ")\n";
        return std::nullopt;
    }
    return options;
}

// What the caption shows after the position: the rating and the description.
struct PhotoFacts {
    int orientation = 0;
    std::string rating;
    std::string description;
    std::string captionPart;
};

PhotoFacts ReadFacts(const std::string& path) {
    PhotoFacts facts;
    facts.orientation = ReadOrientation(path).value_or(0);
    if (std::optional<RatingAndDescription> read = ReadRatingAndDescription(path)) {
        facts.rating = read->rating;
        facts.description = read->description;
        int stars = StarRatingValue(read->rating);
        if (stars >= 1 && stars <= 5) facts.captionPart = " - Rating: " + read->rating + " stars";
        if (!shared::IsBlank(read->description)) facts.captionPart += " - " + read->description;
    }
    return facts;
}

std::string IsoTime(const PhotoTime& t) {
    return shared::Format("%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
                          t.second);
}

std::string CaptionDate(const PhotoRecord& r) {
    const PhotoTime& t = r.photoTime;
    return shared::Format("%d/%02d/%02d  %02d:%02d:%02d %s", t.year, t.month, t.day, t.hour,
                          t.minute, t.second,
                          r.dateTakenText.empty() ? "(file date)" : "(date taken)");
}

std::string JsonString(const std::string& raw) { return "\"" + shared::JsonEscape(raw) + "\""; }

void PrintJsonPhoto(std::ostream& out, std::int32_t position, const PhotoRecord& r) {
    const std::string path = r.FullPath();
    PhotoFacts facts = ReadFacts(path);
    out << "    {\"position\": " << position << ", " << shared::JsonPathMembers("path", path)
        << ", \"photoTime\": \"" << IsoTime(r.photoTime)
        << "\", \"dateTaken\": " << (r.dateTakenText.empty() ? "false" : "true") << ", "
        << shared::JsonPathMembers("dateTakenText", r.dateTakenText)
        << ", \"orientation\": " << facts.orientation
        << ", \"rating\": " << JsonString(facts.rating)
        << ", \"description\": " << JsonString(facts.description) << ", \"size\": " << r.fileSize
        << "}";
}

void PrintJson(std::ostream& out, const std::string& folder, const Catalogue& catalogue) {
    const std::int32_t count = catalogue.Count();
    out << "{" << shared::JsonPathMembers("folder", folder) << ", \"count\": " << count
        << ", \"photos\": [";
    for (std::int32_t p = 0; p < count; ++p) {
        out << (p ? ",\n" : "\n");
        PrintJsonPhoto(out, p, *catalogue.At(p));
    }
    out << (count ? "\n  ]}\n" : "]}\n");
}

void PrintText(std::ostream& out, const Catalogue& catalogue) {
    const std::int32_t count = catalogue.Count();
    for (std::int32_t p = 0; p < count; ++p) {
        const PhotoRecord& r = *catalogue.At(p);
        const std::string path = r.FullPath();
        PhotoFacts facts = ReadFacts(path);
        out << p << '\t' << CaptionDate(r) << '\t' << facts.captionPart << '\t' << "orientation "
            << facts.orientation << '\t' << SizeText(static_cast<std::int64_t>(r.fileSize)) << '\t'
            << path << '\n';
    }
}

// The folder as a full path, so that every path printed is one.
std::string FullFolder(const std::string& folder) {
    if (folder.empty() || folder[0] == '/') return folder;
    std::error_code error;
    std::filesystem::path full = std::filesystem::absolute(folder, error);
    if (error) return folder;
    std::string text = full.lexically_normal().string();
    if (text.size() > 1 && text.back() == '/') text.pop_back();
    return text;
}

}  // namespace

int RunCatalogueCommand(int argc, const char* const* argv, std::ostream& out, std::ostream& err,
                        bool stderrIsTerminal) {
    const std::string help = std::string(kUsage) + "\n\n" + kHelp;
    if (auto status = shared::AnswerInfoRequest(argc, argv, "pictavo-catalogue",
                                                shared::kPictavoVersion, help, out))
        return *status;
    std::optional<Options> options = ParseOptions(argc, argv, err);
    if (!options) return 2;
    if (!platform::FolderExists(options->folder)) {
        err << "pictavo-catalogue: no such folder: " << options->folder << "\n";
        return 2;
    }
    options->folder = FullFolder(options->folder);
    InitializeMetadata();
    SettingsRecord settings;
    shared::DesktopServices services("Pictavo", [] { return 0; });
    PictavoState state(settings, services);
    state.firstPairPending = false;
    state.scanFolder = options->folder;
    // Status texts are progress only; without a terminal they stay unseen, as ever.
    shared::TerminalProgress progress(
        err, shared::TerminalProgress::ModeFor(options->quiet, stderrIsTerminal,
                                               shared::TerminalProgress::Mode::Quiet));
    services.SetStatusSink([&progress](const std::string& text) { progress.Show(text); });
    services.SetStatus(
        shared::Format("Loading and analyzing images in %s", options->folder.c_str()));
    ScanFolder(state, options->folder, false);
    SortCatalogue(state);
    services.SetStatusSink(nullptr);
    progress.Finish();
    if (options->json) {
        PrintJson(out, options->folder, state.catalogue);
    } else {
        PrintText(out, state.catalogue);
    }
    return out ? 0 : 1;
}

}  // namespace pictavo
