#include "pictavo/settings/window/about_box.h"

#include <QLabel>
#include <QPushButton>

#include "pictavo/resources/artwork.h"
#include "shared/qt/dialog_units.h"
#include "shared/qt/web_page.h"

namespace pictavo {

std::string VersionLine() {
    return "Quillfen Software Pictavo, Version 1.3." + std::to_string(kBuildNumber);
}

AboutBox::AboutBox(shared::Opener& opener, shared::Prompter& prompter, QWidget* parent)
    : QDialog(parent), opener_(opener), prompter_(prompter) {
    setObjectName("103");
    setWindowTitle("Quillfen Software Pictavo");
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setFixedSize(shared::DialogUnitsToPixels(font(), 0, 0, 223, 162).size());

    QRect iconRect = shared::DialogUnitsToPixels(font(), 12, 16, 21, 20);
    auto* icon = new QLabel(this);
    icon->setPixmap(artwork::ProgramIconPixmap(std::min(iconRect.width(), iconRect.height())));
    icon->setObjectName("167");
    icon->setGeometry(iconRect);

    auto* version = new QLabel(QString::fromStdString(VersionLine()), this);
    version->setTextFormat(Qt::PlainText);
    Place(version, 1052, 39, 14, 170, 8);
    Place(new QLabel("Quillfen Software", this), 0, 39, 36, 98, 8);

    const QString address = QString::fromStdString(shared::HomePageAddress());
    auto* link = new QLabel(this);
    Place(link, 1011, 39, 47, 170, 11);
    QString shown = link->fontMetrics().elidedText(address, Qt::ElideMiddle, link->width());
    link->setText("<a href=\"home\">" + shown.toHtmlEscaped() + "</a>");
    link->setToolTip(address);
    link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    connect(link, &QLabel::linkActivated, this, [this] { OnLink(); });

    auto* ok = new QPushButton("OK", this);
    ok->setDefault(true);
    Place(ok, 1, 166, 141, 50, 14);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

QWidget* AboutBox::Place(QWidget* widget, int id, int x, int y, int width, int height) {
    if (id != 0) widget->setObjectName(QString::number(id));
    widget->setGeometry(shared::DialogUnitsToPixels(font(), x, y, width, height));
    return widget;
}

void AboutBox::OnLink() {
    shared::OpenWebPage(opener_, prompter_, "Pictavo", shared::HomePageAddress());
}

void RunAboutBox(shared::Opener& opener, shared::Prompter& prompter, QWidget* parent) {
    AboutBox box(opener, prompter, parent);
    box.exec();
}

}  // namespace pictavo
