// Cairnly: finds the largest folders and files, duplicate files and partly
// duplicated folders, and deletes what the user confirms.
#include <QApplication>
#include <iostream>
#include <string>
#include <vector>

#include "cairnly/engine/window/cairnly_program.h"
#include "shared/qt/qt_prompter.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);  // takes Qt's own options out of argv
    std::vector<std::string> args(argv, argv + argc);
    shared::QtPrompter prompter;
    shared::DesktopOpener opener;
    cairnly::CairnlyProgram program(std::move(args), prompter, opener);
    program.Start();
    if (const auto& missing = program.Arguments().unusableFolder)
        std::cerr << "cairnly: not an existing folder: " << *missing << "\n";
    app.exec();
    return 0;
}
