#include "shared/qt/qt_prompter.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFile>
#include <QMessageBox>
#include <QThread>
#include <QUrl>

#include "shared/qt/ui_thread.h"
#include "shared/site.h"

namespace shared {
namespace {

QMessageBox::Icon ToQt(BoxIcon icon) {
    switch (icon) {
        case BoxIcon::Information:
            return QMessageBox::Information;
        case BoxIcon::Warning:
            return QMessageBox::Warning;
        case BoxIcon::Error:
            return QMessageBox::Critical;
        case BoxIcon::Question:
            return QMessageBox::Question;
        case BoxIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons ToQt(BoxButtons buttons) {
    switch (buttons) {
        case BoxButtons::OkCancel:
            return QMessageBox::Ok | QMessageBox::Cancel;
        case BoxButtons::YesNo:
            return QMessageBox::Yes | QMessageBox::No;
        case BoxButtons::Ok:
            break;
    }
    return QMessageBox::Ok;
}

BoxAnswer FromQt(int result, BoxButtons buttons) {
    switch (result) {
        case QMessageBox::Ok:
            return BoxAnswer::Ok;
        case QMessageBox::Yes:
            return BoxAnswer::Yes;
        case QMessageBox::No:
            return BoxAnswer::No;
        case QMessageBox::Cancel:
            return BoxAnswer::Cancel;
        default:
            break;
    }
    // Closed with Escape or the close button.
    switch (buttons) {
        case BoxButtons::YesNo:
            return BoxAnswer::No;
        case BoxButtons::OkCancel:
            return BoxAnswer::Cancel;
        case BoxButtons::Ok:
            break;
    }
    return BoxAnswer::Ok;
}

}  // namespace

BoxAnswer QtPrompter::Ask(const std::string& caption, const std::string& text, BoxIcon icon,
                          BoxButtons buttons) {
    QCoreApplication* app = QCoreApplication::instance();
    if (app && QThread::currentThread() != app->thread()) {
        BoxAnswer answer = BoxAnswer::Cancel;
        RunOnThreadOf(app, [&] { answer = Ask(caption, text, icon, buttons); });
        return answer;
    }
    QMessageBox box(ToQt(icon), QString::fromStdString(caption), QString::fromStdString(text),
                    ToQt(buttons), owner_.data());
    box.setTextFormat(Qt::PlainText);
    if (buttons == BoxButtons::OkCancel) box.setDefaultButton(QMessageBox::Ok);
    return FromQt(box.exec(), buttons);
}

bool DesktopOpener::OpenAddress(const std::string& address) {
    QUrl url(QString::fromStdString(address), QUrl::TolerantMode);
    if (!url.isValid()) return false;
    return QDesktopServices::openUrl(url);
}

bool DesktopOpener::OpenFolder(const std::string& folder) {
    // Percent-encoding the bytes keeps a folder name that is not UTF-8 exact.
    QUrl url = QUrl::fromEncoded(QByteArray::fromStdString(FileUrlFromPath(folder)));
    return url.isValid() && QDesktopServices::openUrl(url);
}

}  // namespace shared
