#include "shared/qt/ui_thread.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QMetaObject>
#include <QThread>
#include <algorithm>

namespace shared {

void RunOnThreadOf(QObject* context, std::function<void()> work, Qt::ConnectionType type) {
    if (type == Qt::BlockingQueuedConnection && QThread::currentThread() == context->thread()) {
        work();
        return;
    }
    QMetaObject::invokeMethod(context, std::move(work), type);
}

void PumpEvents(int milliseconds) {
    QDeadlineTimer deadline(milliseconds);
    while (!deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents,
                                        static_cast<int>(deadline.remainingTime()));
        QThread::msleep(static_cast<unsigned long>(
            std::min<qint64>(5, std::max<qint64>(0, deadline.remainingTime()))));
    }
}

}  // namespace shared
