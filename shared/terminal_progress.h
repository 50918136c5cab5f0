#pragma once
// Status texts of a command-line tool while it works. On a terminal they share
// one line that each new text rewrites; elsewhere each text gets a line of its
// own, or nothing is shown at all.
#include <chrono>
#include <mutex>
#include <ostream>
#include <string>

namespace shared {

class TerminalProgress {
  public:
    enum class Mode { Quiet, Lines, InPlace };

    // width: columns of the terminal (0 asks stderr's terminal, 80 if it cannot
    // tell); interval: least time between two rewrites of the line.
    TerminalProgress(std::ostream& out, Mode mode, int width = 0,
                     std::chrono::milliseconds interval = std::chrono::milliseconds(100));
    ~TerminalProgress();

    // Quiet when asked, in place on a terminal, else the given mode for others.
    static Mode ModeFor(bool quiet, bool terminal, Mode otherwise);

    // Safe from any thread. Texts repeating the last one are not shown again.
    void Show(const std::string& text);
    // Clears the line, so that the output that follows starts at its left edge.
    void Finish();

    Mode GetMode() const { return mode_; }

  private:
    std::string Fitted(const std::string& text) const;

    std::ostream& out_;
    Mode mode_;
    int width_;
    std::chrono::milliseconds interval_;
    std::mutex mutex_;
    std::string last_;
    std::string drawn_;
    bool lineShown_ = false;
    std::chrono::steady_clock::time_point lastDrawn_{};
};

}  // namespace shared
