// Runs Pictavo on a photo folder, saving pictures of the main window with a
// pair, the configuration dialog, the about box and the export dialog. For looking at the program,
// not a test: pictavo-screenshots PHOTO_FOLDER OUTPUT_FOLDER
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <iostream>

#include "pictavo/catalogue/metadata.h"
#include "pictavo/cull/window/pictavo_program.h"

namespace {

class AnsweringPrompter : public shared::Prompter {
  public:
    shared::BoxAnswer Ask(const std::string& caption, const std::string& text, shared::BoxIcon,
                          shared::BoxButtons) override {
        std::cerr << "box: " << caption << ": " << text << "\n";
        return shared::BoxAnswer::Ok;
    }
};

class NoOpener : public shared::Opener {
  public:
    bool OpenAddress(const std::string&) override { return true; }
    bool OpenFolder(const std::string&) override { return true; }
};

void Save(QWidget* widget, const QString& file) {
    if (!widget->grab().save(file)) std::cerr << "cannot save " << file.toStdString() << "\n";
}

// Presses the modal dialog's button `id` once it is open, after picturing it.
void WhenModal(const QString& picture, const std::function<void(QWidget*)>& before,
               const char* buttonId) {
    QTimer::singleShot(700, [=] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (!dialog) return WhenModal(picture, before, buttonId);
        if (before) before(dialog);
        QCoreApplication::processEvents();
        Save(dialog, picture);
        dialog->findChild<QPushButton*>(buttonId)->click();
    });
}

class ScreenshotProgram : public pictavo::PictavoProgram {
  public:
    ScreenshotProgram(shared::Prompter& p, shared::Opener& o, QString folder, QString out)
        : PictavoProgram(p, o), folder_(std::move(folder)), out_(std::move(out)) {}

    void RunConfiguration() override {
        WhenModal(
            out_ + "/pictavo-configuration.png",
            [this](QWidget* dialog) { dialog->findChild<QLineEdit*>("1002")->setText(folder_); },
            "1");
        PictavoProgram::RunConfiguration();
    }

    int RunEventLoop() override {
        QTimer::singleShot(500, [this] { WaitForPair(); });
        return PictavoProgram::RunEventLoop();
    }

  private:
    void WaitForPair() {
        if (!State().catalogueReady || State().loader.Busy())
            return void(QTimer::singleShot(200, [this] { WaitForPair(); }));
        // Shows a pair with a 4- or 5-star photo (red caption) when there is one.
        for (int step = 0; step < 200 && !Window()->HighRating(pictavo::Side::Right); ++step)
            Window()->HandleKey(Qt::Key_Right, false);
        Save(Window(), out_ + "/pictavo-main.png");
        WhenModal(out_ + "/pictavo-about.png", nullptr, "1");
        Window()->RunCommand(pictavo::ids::kAbout);
        WhenModal(out_ + "/pictavo-export.png", nullptr, "1049");
        Window()->RunCommand(pictavo::ids::kExport);
        Window()->close();
    }

    QString folder_, out_;
};

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc != 3) {
        std::cerr << "usage: pictavo-screenshots PHOTO_FOLDER OUTPUT_FOLDER\n";
        return 2;
    }
    pictavo::InitializeMetadata();
    AnsweringPrompter prompter;
    NoOpener opener;
    ScreenshotProgram program(prompter, opener, argv[1], argv[2]);
    return program.Run();
}
