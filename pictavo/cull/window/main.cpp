// Pictavo: culling a photo library two photos at a time.
#include <QApplication>

#include "pictavo/catalogue/metadata.h"
#include "pictavo/cull/window/pictavo_program.h"
#include "shared/program_info.h"
#include "shared/qt/qt_prompter.h"

namespace {

const char kHelp[] =
    "Usage: pictavo [OPTION]\n"
    "Culls a photo library: shows every JPEG, PNG and BMP file below the photo\n"
    "folder two at a time, side by side, in the order they were taken.\n"
    "\n"
    "The Configuration dialog opens at every start to confirm or change the photo\n"
    "folder. Culled photos are moved to a store from which Undelete restores them.\n"
    "\n"
    "Options:\n"
    "  -h, --help     show this help and exit\n"
    "      --version  show the version and exit\n"
    "Qt's own options, such as -platform NAME or -style NAME, are accepted as well.\n"
    "\n"
    "Keys:\n"
    "  A, S                 cull the left or the right photo\n"
    "  Q, W                 turn the left or the right photo a quarter turn\n"
    "                       clockwise, on disk\n"
    "  Left, Right          step back or forward one photo\n"
    "  Page Up, Page Down   previous or next month with photos (with Shift: year)\n"
    "  Home                 the first photos of the library\n"
    "\n"
    "Files:\n"
    "  ~/Documents/Quillfen/Pictavo/Pictavo.kvcfg   settings\n"
    "  ~/Documents/Quillfen/Pictavo/Deletes         culled photos\n"
    "  ~/Documents/Quillfen/Pictavo/Logs            daily activity logs\n"
    "(Documents is the XDG documents folder when one is set.)\n";

}  // namespace

int main(int argc, char* argv[]) {
    if (auto status =
            shared::AnswerBeforeWindows(argc, argv, "pictavo", shared::kPictavoVersion, kHelp))
        return *status;
    QApplication app(argc, argv);
    QApplication::setApplicationName("Pictavo");
    QGuiApplication::setDesktopFileName("pictavo");
    pictavo::InitializeMetadata();
    shared::QtPrompter prompter;
    shared::DesktopOpener opener;
    pictavo::PictavoProgram program(prompter, opener);
    return program.Run();
}
