#include "everyfieldreader.h"

#include "browse/quickfilter.h"
#include "store/catalogue.h"

#include <QThread>

EveryFieldReader::EveryFieldReader(const QString& catalogueFile, QObject* parent)
    : QObject(parent)
    , catalogueFile_(catalogueFile)
{
}

EveryFieldReader::~EveryFieldReader()
{
    stop();
}

void EveryFieldReader::stop()
{
    ++run_;
    if (stop_)
        stop_->store(true);
    if (worker_) {
        worker_->wait();
        worker_.reset();
    }
    percent_ = 0;
}

void EveryFieldReader::start(const QList<MovieRow>& rows, quint64 serial)
{
    stop();
    stop_ = std::make_shared<std::atomic_bool>(false);
    const int run = run_;
    // The rows are shared, not copied: the list detaches from them should it change meanwhile.
    worker_.reset(QThread::create([this, rows, serial, run, file = catalogueFile_, stop = stop_] {
        const qsizetype total = std::max<qsizetype>(1, rows.size());
        int shown = 0;
        const auto goOn = [&](qsizetype done) {
            const int percent = int(done * 100 / total);
            if (percent != shown) {
                shown = percent;
                QMetaObject::invokeMethod(
                    this,
                    [this, run, percent] {
                        if (run == run_) {
                            percent_ = percent;
                            emit progressed(percent);
                        }
                    },
                    Qt::QueuedConnection);
            }
            return !stop->load();
        };
        QString error;
        auto keys = QuickFilter::everyFieldKeys(Catalogue(file, stop.get()), rows, goOn, &error);
        if (stop->load())
            return;
        auto shared = keys ? std::make_shared<std::vector<QString>>(std::move(*keys)) : nullptr;
        QMetaObject::invokeMethod(
            this, [this, run, shared, error, serial] { ended(run, shared, error, serial); },
            Qt::QueuedConnection);
    }));
    worker_->start(QThread::LowPriority);
}

void EveryFieldReader::ended(
    int run, std::shared_ptr<std::vector<QString>> keys, const QString& error, quint64 serial)
{
    if (run != run_)
        return;
    if (worker_) {
        worker_->wait();
        worker_.reset();
    }
    percent_ = 0;
    if (keys)
        emit finished(serial, std::move(keys));
    else
        emit failed(error);
}
