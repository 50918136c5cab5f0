// Cairnly: finds the largest folders and files, duplicate files and partly
// duplicated folders, and deletes what the user confirms.
#include <QApplication>
#include <iostream>
#include <string>
#include <vector>

#include "cairnly/window/cairnly_program.h"
#include "shared/program_info.h"
#include "shared/qt/qt_prompter.h"

namespace {

const char kHelp[] =
    "Usage: cairnly [OPTION] [FOLDER]\n"
    "  or:  cairnly -p FOLDER\n"
    "Frees disk space: scans a folder tree and lists the largest folders, the\n"
    "largest files, groups of duplicate files and partially duplicated folders;\n"
    "deletes the files you select after a confirmation that lists every one.\n"
    "\n"
    "Start scans the folder of the configuration, or FOLDER when one is given\n"
    "(for this run only: the configuration keeps its folder until you change it\n"
    "there). Opening a folder with Cairnly from a file manager does the same.\n"
    "\n"
    "Options:\n"
    "  -p, /P FOLDER  photo mode: look for duplicate image files in FOLDER at\n"
    "                 once, with fixed settings (the saved ones are not read);\n"
    "                 this is how Pictavo's Find duplicates button starts Cairnly\n"
    "  -h, --help     show this help and exit\n"
    "      --version  show the version and exit\n"
    "Qt's own options, such as -platform NAME or -style NAME, are accepted as well.\n"
    "\n"
    "Files:\n"
    "  ~/Documents/Quillfen/Cairnly/Cairnly.kvcfg   settings\n"
    "  ~/Documents/Quillfen/Cairnly/Logs            daily activity logs\n"
    "(Documents is the XDG documents folder when one is set.)\n";

}  // namespace

int main(int argc, char** argv) {
    if (auto status =
            shared::AnswerBeforeWindows(argc, argv, "cairnly", shared::kCairnlyVersion, kHelp))
        return *status;
    QApplication app(argc, argv);  // takes Qt's own options out of argv
    QGuiApplication::setDesktopFileName("cairnly");
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
