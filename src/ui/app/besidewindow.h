#pragma once

#include <QEventLoop>
#include <atomic>
#include <functional>
#include <memory>

class QObject;

// Runs `work` on a thread of its own and waits for it here as a dialog waits for its answer: the
// windows keep painting and take the events `flags` lets through (a 停止 button, say). Progress
// that `work` posted to `receiver` and that is still queued is dropped, as it belongs to work done.
// A progress callback for work beside the window: it hands (done, total) to `show` on `receiver`'s
// thread, at most every 50 ms and always at the end, and answers false once `cancel` is set.
std::function<bool(int done, int total)> postedProgress(QObject* receiver,
    std::function<void(int done, int total)> show, std::shared_ptr<std::atomic_bool> cancel);

void runBesideWindow(const std::function<void()>& work, QObject* receiver = nullptr,
    QEventLoop::ProcessEventsFlags flags = QEventLoop::AllEvents);
