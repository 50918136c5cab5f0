#pragma once
// The about box: version line, maker and a link to the maker's home page.
#include <QDialog>
#include <string>

#include "shared/prompter.h"

namespace pictavo {

constexpr int kBuildNumber = 1001;
std::string VersionLine();  // "Quillfen Software Pictavo, Version 1.3.1001"

class AboutBox : public QDialog {
  public:
    AboutBox(shared::Opener& opener, shared::Prompter& prompter, QWidget* parent);

  private:
    void OnLink();
    QWidget* Place(QWidget* widget, int id, int x, int y, int width, int height);

    shared::Opener& opener_;
    shared::Prompter& prompter_;
};

void RunAboutBox(shared::Opener& opener, shared::Prompter& prompter, QWidget* parent);

}  // namespace pictavo
