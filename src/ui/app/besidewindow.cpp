#include "besidewindow.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <memory>

std::function<bool(int done, int total)> postedProgress(QObject* receiver,
    std::function<void(int done, int total)> show, std::shared_ptr<std::atomic_bool> cancel)
{
    auto shown = std::make_shared<QElapsedTimer>();
    shown->start();
    return [receiver, show = std::move(show), cancel = std::move(cancel), shown](int done, int total) {
        if (shown->elapsed() >= 50 || done == total) {
            shown->restart();
            QMetaObject::invokeMethod(
                receiver, [show, done, total] { show(done, total); }, Qt::QueuedConnection);
        }
        return !(cancel && cancel->load());
    };
}

void runBesideWindow(
    const std::function<void()>& work, QObject* receiver, QEventLoop::ProcessEventsFlags flags)
{
    std::unique_ptr<QThread> worker(QThread::create(work));
    QEventLoop loop;
    QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
    worker->start();
    loop.exec(flags);
    worker->wait();
    if (receiver)
        QCoreApplication::removePostedEvents(receiver, QEvent::MetaCall);
}
