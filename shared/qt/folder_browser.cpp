#include "shared/qt/folder_browser.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <mutex>

#include "platform/files.h"
#include "platform/known_folders.h"
#include "platform/text.h"

namespace shared {
namespace {

std::mutex& RunnerMutex() {
    static std::mutex m;
    return m;
}
FolderDialogRunner& Runner() {
    static FolderDialogRunner runner;
    return runner;
}

bool DefaultRunner(QFileDialog& dialog) { return dialog.exec() == QDialog::Accepted; }

// The folder to start in: path itself when it is a folder, else the nearest
// existing folder above it, else the home folder.
std::string StartFolder(const std::string& path, bool& exact) {
    exact = false;
    std::string folder = path;
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    if (!folder.empty() && platform::FolderExists(folder)) {
        exact = true;
        return folder;
    }
    while (!folder.empty()) {
        std::string::size_type slash = folder.find_last_of('/');
        if (slash == std::string::npos) break;
        folder = slash == 0 ? "/" : folder.substr(0, slash);
        if (platform::FolderExists(folder)) return folder;
        if (folder == "/") break;
    }
    return platform::HomeFolder();
}

}  // namespace

void SetFolderDialogRunner(FolderDialogRunner runner) {
    std::lock_guard<std::mutex> lock(RunnerMutex());
    Runner() = std::move(runner);
}

void ConfigureFolderDialog(QFileDialog& dialog, const std::string& path, bool allowTyping) {
    dialog.setWindowTitle(QStringLiteral("Select Folder"));
    // The desktop's own chooser (a GTK or KDE theme, the XDG portal) when the
    // platform theme offers one; Qt's own dialog otherwise.
    dialog.setOption(QFileDialog::DontUseNativeDialog, false);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    bool exact = false;
    std::string start = StartFolder(path, exact);
    dialog.setDirectory(QFile::decodeName(QByteArray::fromStdString(start)));
    dialog.setProperty("quillfenStartFolder", QFile::decodeName(QByteArray::fromStdString(start)));
    dialog.setProperty("quillfenAllowTyping", allowTyping);
    // Qt's own dialog always has a name box; Pictavo's browser has none. A
    // desktop chooser has no such widgets and keeps its own typing rules.
    if (QLineEdit* edit = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
        edit->setVisible(allowTyping);
        edit->setReadOnly(!allowTyping);
    }
    if (QLabel* label = dialog.findChild<QLabel*>(QStringLiteral("fileNameLabel")))
        label->setVisible(allowTyping);
}

bool FolderBrowser(QWidget* owner, std::string& path, bool allowTyping,
                   const FolderDialogRunner& runner) {
    QFileDialog dialog(owner);
    ConfigureFolderDialog(dialog, path, allowTyping);
    bool picked = runner ? runner(dialog) : DefaultRunner(dialog);
    if (!picked) return false;
    QStringList files = dialog.selectedFiles();
    if (files.isEmpty()) return false;
    QString chosen = QDir::cleanPath(files.first());
    if (chosen.isEmpty()) return false;
    std::string result = QFile::encodeName(chosen).toStdString();
    while (result.size() > 1 && result.back() == '/') result.pop_back();
    // The callers keep folders in 560-unit buffers: a longer path is never cut.
    if (platform::Utf16Length(result) > 559) return false;
    path = result;
    return true;
}

bool FolderBrowser(QWidget* owner, std::string& path, bool allowTyping) {
    FolderDialogRunner runner;
    {
        std::lock_guard<std::mutex> lock(RunnerMutex());
        runner = Runner();
    }
    return FolderBrowser(owner, path, allowTyping,
                         runner ? runner : FolderDialogRunner(DefaultRunner));
}

}  // namespace shared
