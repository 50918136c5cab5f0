#include "shared/terminal_progress.h"

#include <sys/ioctl.h>
#include <unistd.h>

namespace shared {
namespace {

constexpr char kClearToEnd[] = "\033[K";

int StderrColumns() {
    struct winsize size {};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
    return 80;
}

bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// The words before the first digit: texts that differ only in their counts
// belong to one phase of the work.
std::string Phase(const std::string& text) {
    return text.substr(0, text.find_first_of("0123456789"));
}

}  // namespace

TerminalProgress::TerminalProgress(std::ostream& out, Mode mode, int width,
                                   std::chrono::milliseconds interval)
    : out_(out), mode_(mode), width_(width > 0 ? width : StderrColumns()), interval_(interval) {}

TerminalProgress::~TerminalProgress() { Finish(); }

TerminalProgress::Mode TerminalProgress::ModeFor(bool quiet, bool terminal, Mode otherwise) {
    if (quiet) return Mode::Quiet;
    return terminal ? Mode::InPlace : otherwise;
}

// A line as wide as the terminal would wrap, and "\r" would then rewrite only
// its last part; control characters would move the cursor.
std::string TerminalProgress::Fitted(const std::string& text) const {
    std::string fitted;
    int columns = 0;
    for (char c : text) {
        if (!IsContinuationByte(c) && ++columns >= width_) break;
        fitted += static_cast<unsigned char>(c) < 0x20 ? ' ' : c;
    }
    return fitted;
}

void TerminalProgress::Show(const std::string& text) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (mode_ == Mode::Quiet || text == last_) return;
    last_ = text;
    if (mode_ == Mode::Lines) {
        out_ << text << '\n' << std::flush;
        return;
    }
    auto now = std::chrono::steady_clock::now();
    // Counts may change thousands of times a second; a new phase always shows.
    if (lineShown_ && Phase(text) == Phase(drawn_) && now - lastDrawn_ < interval_) return;
    lastDrawn_ = now;
    drawn_ = text;
    lineShown_ = true;
    out_ << '\r' << Fitted(text) << kClearToEnd << std::flush;
}

void TerminalProgress::Finish() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (lineShown_) out_ << '\r' << kClearToEnd << std::flush;
    lineShown_ = false;
    last_.clear();
    drawn_.clear();
}

}  // namespace shared
