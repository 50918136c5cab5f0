#pragma once
// The programs' Prompter (QMessageBox) and Opener (QDesktopServices).
#include <QPointer>
#include <QWidget>

#include "shared/prompter.h"

namespace shared {

// Shows message boxes owned by a settable widget (none: a box with no owner).
// Safe to call from a worker thread: the box then runs on the UI thread and the
// caller waits for the answer.
class QtPrompter : public Prompter {
  public:
    explicit QtPrompter(QWidget* owner = nullptr) : owner_(owner) {}
    void SetOwner(QWidget* owner) { owner_ = owner; }
    QWidget* Owner() const { return owner_; }

    BoxAnswer Ask(const std::string& caption, const std::string& text, BoxIcon icon,
                  BoxButtons buttons) override;

  private:
    QPointer<QWidget> owner_;
};

// Opens addresses and folders with the desktop's own programs.
class DesktopOpener : public Opener {
  public:
    bool OpenAddress(const std::string& address) override;
    bool OpenFolder(const std::string& folder) override;
};

}  // namespace shared
