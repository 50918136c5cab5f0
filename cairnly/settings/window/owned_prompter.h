#pragma once
// Makes the program's message boxes belong to a dialog while it shows them,
// so they sit on top of it; other prompters (test fakes) are left alone.
#include <QPointer>
#include <QWidget>

#include "shared/qt/qt_prompter.h"

namespace cairnly {

class OwnedPrompter {
  public:
    OwnedPrompter(shared::Prompter& prompter, QWidget* owner)
        : qt_(dynamic_cast<shared::QtPrompter*>(&prompter)) {
        if (!qt_) return;
        previous_ = qt_->Owner();
        qt_->SetOwner(owner);
    }
    ~OwnedPrompter() {
        if (qt_) qt_->SetOwner(previous_);
    }
    OwnedPrompter(const OwnedPrompter&) = delete;
    OwnedPrompter& operator=(const OwnedPrompter&) = delete;

  private:
    shared::QtPrompter* qt_;
    QPointer<QWidget> previous_;
};

}  // namespace cairnly
