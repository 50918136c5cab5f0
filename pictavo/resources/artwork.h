#pragma once
// Pictavo's icon and the pictures of its dialogs, drawn at the size asked for
// so they stay sharp at every screen scale.
#include <QIcon>
#include <QPixmap>
#include <QSize>

namespace pictavo::artwork {

QPixmap ProgramIconPixmap(int side);
QIcon ProgramIcon();
// The configuration dialog's two banners and its picture.
QPixmap UpperBanner(QSize size);
QPixmap LowerBanner(QSize size);
QPixmap LandscapePicture(QSize size);
// The export dialog's three banners: destination, options, progress (0, 1, 2).
QPixmap ExportBanner(QSize size, int which);

}  // namespace pictavo::artwork
