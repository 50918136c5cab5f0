#include "shared/desktop_services.h"

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
    if (!platform::FolderExists(folder)) {
        platform::CreateFolder(documents_);  // a fresh home may lack Documents
        platform::CreateFolder(quillfen);
        platform::CreateFolder(folder);
    }
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

void DesktopServices::WriteLog(const std::string& text, int kind) {
    if (kind != kNotable && kind != kDetail) return;
    int level = Level();
    if (level != 1 && level != 2) return;
    platform::CalendarFields now = Now();
    std::FILE* file = std::fopen(LogFilePath(now).c_str(), "a");
    if (!file) return;
    if (level == 2 || kind == kNotable) {
        std::string line = TimeText(now) + ": " + text + (level == 2 ? " 0" : "");
        line = platform::CutToUtf16Units(line, kMaxLogLineUnits - 1) + "\n";
        std::fwrite(line.data(), 1, line.size(), file);
    }
    std::fclose(file);
}

}  // namespace shared
