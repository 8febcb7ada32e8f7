#pragma once

#include "browse/movielisting.h"

#include <QObject>
#include <QString>
#include <atomic>
#include <memory>
#include <vector>

class QThread;

// Makes the keys the quick filter's 全部字段 searches, beside the window: the introductions a
// listing left out are read from the catalogue and every text of each row is folded once. One
// read at a time; a new one, stop() or the end of this object ends the one under way at once.
class EveryFieldReader : public QObject
{
    Q_OBJECT
public:
    explicit EveryFieldReader(const QString& catalogueFile, QObject* parent = nullptr);
    ~EveryFieldReader() override;

    // `serial` comes back with the keys, to tell whether they still fit the list.
    void start(const QList<MovieRow>& rows, quint64 serial);
    void stop();
    bool isReading() const { return worker_ != nullptr; }
    int percent() const { return percent_; }

signals:
    void progressed(int percent);
    void finished(quint64 serial, std::shared_ptr<std::vector<QString>> keys);
    void failed(const QString& error);

private:
    void ended(int run, std::shared_ptr<std::vector<QString>> keys, const QString& error, quint64 serial);

    QString catalogueFile_;
    std::unique_ptr<QThread> worker_;
    std::shared_ptr<std::atomic_bool> stop_;
    int run_ = 0; // which start() the messages from the worker belong to
    int percent_ = 0;
};
