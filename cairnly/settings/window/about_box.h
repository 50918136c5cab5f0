#pragma once
// The about box: program icon, version line, maker and a link to the maker's
// home page.
#include <QDialog>

#include "shared/prompter.h"

namespace cairnly {

class AboutBox : public QDialog {
  public:
    AboutBox(shared::Prompter& prompter, shared::Opener& opener, QWidget* parent = nullptr);

    static QString VersionLine();

  private:
    void OpenHomePage();

    shared::Prompter& prompter_;
    shared::Opener& opener_;
};

}  // namespace cairnly
