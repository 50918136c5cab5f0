#pragma once
// How the windows run their modal dialogs. The programs use QDialog::exec;
// tests and screenshots install a runner that fills in and closes the dialog.
#include <QDialog>
#include <functional>

namespace cairnly {

using ModalRunner = std::function<int(QDialog& dialog)>;

inline int RunModal(const ModalRunner& runner, QDialog& dialog) {
    return runner ? runner(dialog) : dialog.exec();
}

}  // namespace cairnly
