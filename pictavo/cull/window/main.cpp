// Pictavo: culling a photo library two photos at a time.
#include <QApplication>

#include "pictavo/catalogue/metadata.h"
#include "pictavo/cull/window/pictavo_program.h"
#include "shared/qt/qt_prompter.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Pictavo");
    pictavo::InitializeMetadata();
    shared::QtPrompter prompter;
    shared::DesktopOpener opener;
    pictavo::PictavoProgram program(prompter, opener);
    return program.Run();
}
