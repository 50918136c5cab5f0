#include "cairnly/settings/window/about_box.h"

#include <QIcon>
#include <QLabel>
#include <QPushButton>

#include "shared/qt/dialog_units.h"
#include "shared/site.h"
#include "shared/web_page.h"

namespace cairnly {
namespace {

constexpr int kVersionBuild = 1003;

template <typename Widget>
Widget* Place(Widget* widget, const char* id, const QRect& dlu, const QFont& font) {
    if (id) widget->setObjectName(QString::fromLatin1(id));
    widget->setGeometry(
        shared::DialogUnitsToPixels(font, dlu.x(), dlu.y(), dlu.width(), dlu.height()));
    return widget;
}

}  // namespace

QString AboutBox::VersionLine() {
    return QString::asprintf("Quillfen Software Cairnly, Version 1.0.%d", kVersionBuild);
}

AboutBox::AboutBox(shared::Prompter& prompter, shared::Opener& opener, QWidget* parent)
    : QDialog(parent), prompter_(prompter), opener_(opener) {
    setObjectName(QStringLiteral("103"));
    setWindowTitle(QStringLiteral("Quillfen Software Cairnly"));
    QFont f = font();
    setFixedSize(shared::DialogUnitsToPixels(f, 0, 0, 223, 122).size());

    auto* icon = Place(new QLabel(this), "167", QRect(12, 16, 21, 20), f);
    icon->setPixmap(QIcon(QStringLiteral(":/cairnly/cairnly.png")).pixmap(icon->size()));
    icon->setScaledContents(false);

    auto* version = Place(new QLabel(VersionLine(), this), "1052", QRect(39, 14, 170, 8), f);
    version->setTextFormat(Qt::PlainText);
    Place(new QLabel(QStringLiteral("Quillfen Software"), this), nullptr, QRect(39, 36, 98, 8), f);

    auto* link = Place(new QLabel(this), "1011", QRect(39, 47, 170, 11), f);
    link->setText(QStringLiteral("<a href=\"home\">Quillfen Software home page</a>"));
    link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    link->setFocusPolicy(Qt::StrongFocus);
    connect(link, &QLabel::linkActivated, this, [this] { OpenHomePage(); });

    auto* ok = Place(new QPushButton(QStringLiteral("OK"), this), "1", QRect(166, 101, 50, 14), f);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

void AboutBox::OpenHomePage() {
    shared::OpenWebPage(opener_, prompter_, "Cairnly", shared::HomePageAddress());
}

}  // namespace cairnly
