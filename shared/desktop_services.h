#pragma once
// The data folder, the status line and the daily activity log that both
// programs share. One object per program, created by main and passed on.
#include <atomic>
#include <functional>
#include <mutex>
#include <string>

#include "platform/clock.h"

namespace shared {

enum EntryKind { kNotable = 1, kDetail = 2 };

class DesktopServices {
  public:
    using StatusSink = std::function<void(const std::string&)>;
    using LevelSource = std::function<int()>;
    using Clock = std::function<platform::CalendarFields()>;

    // programWord is "Pictavo" or "Cairnly"; level reads the settings record's log level.
    DesktopServices(std::string programWord, LevelSource level);

    const std::string& ProgramWord() const { return programWord_; }

    // Documents/Quillfen/<program word>, both levels created when missing (also
    // when deleted while the program runs). Creation failures are ignored.
    std::string DataFolder();
    std::string LogFolder();
    void CreateLogFolder();

    // Sets the status line (through the sink the main window installs) and
    // logs the text at level 2. Safe from any thread.
    void SetStatus(const std::string& text);
    void SetStatusSink(StatusSink sink);
    std::string LastStatus() const;

    void WriteLog(const std::string& text, int kind);
    // The line WriteLog writes at a level (1 or 2): "HH:mm:ss: text\n", at level 2
    // "HH:mm:ss: text 0\n"; the text is cut (to whole characters) so that the
    // line with its line end holds at most kMaxLogLineUnits - 1 UTF-16 units.
    static std::string ComposeLogLine(const platform::CalendarFields& localNow,
                                      const std::string& text, int level);
    // Path of the log file for the given local date.
    std::string LogFilePath(const platform::CalendarFields& localNow);

    // Test seam: the local clock used for log dates and times.
    void SetClock(Clock clock);

    static constexpr std::size_t kMaxLogLineUnits = 1024;

  private:
    int Level() const;
    platform::CalendarFields Now() const;

    std::string programWord_;
    LevelSource level_;
    Clock clock_;
    std::once_flag documentsOnce_;
    std::string documents_;
    mutable std::mutex statusMutex_;
    StatusSink sink_;
    std::string lastStatus_;
};

}  // namespace shared
