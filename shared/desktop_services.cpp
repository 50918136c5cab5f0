#include "shared/desktop_services.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "platform/files.h"
#include "platform/known_folders.h"
#include "platform/text.h"

namespace shared {
namespace {

std::string TwoDigits(int v) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%02d", v);
    return buffer;
}

std::string DateText(const platform::CalendarFields& f) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", f.year, f.month, f.day);
    return buffer;
}

std::string TimeText(const platform::CalendarFields& f) {
    return TwoDigits(f.hour) + ":" + TwoDigits(f.minute) + ":" + TwoDigits(f.second);
}

}  // namespace

DesktopServices::DesktopServices(std::string programWord, LevelSource level)
    : programWord_(std::move(programWord)), level_(std::move(level)) {}

int DesktopServices::Level() const { return level_ ? level_() : 0; }

platform::CalendarFields DesktopServices::Now() const {
    return clock_ ? clock_() : platform::LocalFromUtc(platform::NowUtc());
}

void DesktopServices::SetClock(Clock clock) { clock_ = std::move(clock); }

std::string DesktopServices::DataFolder() {
    // The Documents path is asked for once and kept for the run.
    std::call_once(documentsOnce_, [this] { documents_ = platform::DocumentsFolder(); });
    std::string quillfen = platform::JoinPath(documents_, "Quillfen");
    std::string folder = platform::JoinPath(quillfen, programWord_);
    // A fresh home may lack Documents (and an XDG Documents folder its parents).
    // Failures are ignored: the callers' own file operations report them.
    if (!platform::FolderExists(folder)) platform::CreateFolders(folder);
    return folder;
}

std::string DesktopServices::LogFolder() { return platform::JoinPath(DataFolder(), "Logs"); }

void DesktopServices::CreateLogFolder() {
    int level = Level();
    if (level == 1 || level == 2) platform::CreateFolder(LogFolder());
}

void DesktopServices::SetStatusSink(StatusSink sink) {
    std::lock_guard<std::mutex> lock(statusMutex_);
    sink_ = std::move(sink);
}

std::string DesktopServices::LastStatus() const {
    std::lock_guard<std::mutex> lock(statusMutex_);
    return lastStatus_;
}

void DesktopServices::SetStatus(const std::string& text) {
    StatusSink sink;
    {
        std::lock_guard<std::mutex> lock(statusMutex_);
        lastStatus_ = text;
        sink = sink_;
    }
    if (sink) sink(text);
    if (Level() == 2) WriteLog(text, kDetail);
}

std::string DesktopServices::LogFilePath(const platform::CalendarFields& localNow) {
    return platform::JoinPath(LogFolder(), programWord_ + "_" + DateText(localNow) + ".txt");
}

namespace {

// A file name may hold any byte but '/' and NUL: a line end in one would start
// a line of its own in the log, which could pass for an entry ("Deleted: ...").
// Control characters are written as escapes, so every entry stays one line.
std::string EscapeControls(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7f) {
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else {
            static constexpr char kHex[] = "0123456789abcdef";
            out += "\\x";
            out += kHex[byte >> 4];
            out += kHex[byte & 0xf];
        }
    }
    return out;
}

}  // namespace

std::string DesktopServices::ComposeLogLine(const platform::CalendarFields& localNow,
                                            const std::string& text, int level) {
    // The line, its " 0" at level 2 and its line end fit in 1,024 units with a
    // terminator (at most 1,023 characters); the text is cut to make room.
    const std::string head = TimeText(localNow) + ": ";
    const std::string tail = std::string(level == 2 ? " 0" : "") + "\n";
    const std::size_t room = kMaxLogLineUnits - 1 - head.size() - tail.size();
    return head + platform::CutToUtf16Units(EscapeControls(text), room) + tail;
}

void DesktopServices::WriteLog(const std::string& text, int kind) {
    if (kind != kNotable && kind != kDetail) return;
    int level = Level();
    if (level != 1 && level != 2) return;
    platform::CalendarFields now = Now();
    // Opening for appending creates the file, even when nothing is written.
    // Never waits on a FIFO put where the day's file belongs, and writes only into a file.
    int fd = ::open(LogFilePath(now).c_str(),
                    O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0666);
    if (fd < 0) return;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return;
    }
    if (level == 2 || kind == kNotable) {
        // One write per line: lines of different threads never interleave.
        std::string line = ComposeLogLine(now, text, level);
        // A full disk loses the entry and nothing else.
        (void)platform::WriteAll(fd, line.data(), line.size());
    }
    ::close(fd);
}

}  // namespace shared
