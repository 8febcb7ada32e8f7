#include "mediaprobe.h"

#include "helpers/helperprocess.h"
#include "mediasubtitles.h"
#include "scan/filenames.h"
#include "scan/folderlisting.h"
#include "store/safewrite.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QThread>
#include <cerrno>
#include <mutex>
#include <thread>

#ifndef REELSHELF_PROBE_FROM_BIN
#define REELSHELF_PROBE_FROM_BIN "../libexec/reelshelf-index/reelshelf-probe"
#endif

namespace {

using namespace std::chrono;

constexpr auto pollInterval = milliseconds(50);
// MediaInfo reads headers in a few megabytes; this leaves room for a damaged file's worst.
constexpr rlim_t memoryLimit = rlim_t(1024) * 1024 * 1024;

QString shown(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

QString unreadableWarning(const QString& path, const QString& why)
{
    return QStringLiteral("无法读取影片文件 %1 的媒体信息（%2），它的时长、清晰度和语言留空。")
        .arg(shown(path), why);
}

// The helper's answer for one file.
ProbeOutcome outcomeOf(const QByteArray& line, const QString& path)
{
    const QJsonObject answer = QJsonDocument::fromJson(line).object();
    ProbeOutcome out;
    if (answer.value(QStringLiteral("facts")).isObject())
        out.facts = MediaFactsJson::read(answer.value(QStringLiteral("facts")).toObject());
    const QString problem = answer.value(QStringLiteral("problem")).toString();
    const int error = answer.value(QStringLiteral("errno")).toInt();
    if (problem == QStringLiteral("open") && error == ENOENT)
        out.warning = unreadableWarning(path, QStringLiteral("文件不存在"));
    else if (problem == QStringLiteral("open") || problem == QStringLiteral("read"))
        out.warning = unreadableWarning(path, SafeWrite::causeInBrief(error));
    else if (problem == QStringLiteral("notPlain"))
        out.warning = unreadableWarning(path, QStringLiteral("不是普通文件"));
    else if (!out.facts)
        out.warning = unreadableWarning(path, QStringLiteral("无法识别的文件，可能已损坏"));
    else if (out.facts->truncated)
        out.warning = QStringLiteral("影片文件 %1 不完整（可能没有复制完），媒体信息只来自它的开头。")
                          .arg(shown(path));
    return out;
}

// One helper at a time reads `indexes` of `files`; a helper that dies or hangs on a file costs that
// file, and a new one goes on with the rest.
class Worker
{
public:
    Worker(const QList<ProbeFile>& files, QList<qsizetype> indexes, const MediaProbe::Options& options,
        const QString& program, QList<ProbeOutcome>& results, std::mutex& progressLock, qsizetype& done)
        : files_(files)
        , indexes_(std::move(indexes))
        , options_(options)
        , program_(program)
        , results_(results)
        , progressLock_(progressLock)
        , done_(done)
    {
    }

    void run()
    {
        qsizetype next = 0;
        while (next < indexes_.size() && !stopped())
            next = runHelperFrom(next);
    }

private:
    bool stopped() const { return options_.stop && options_.stop->load(); }

    void finish(qsizetype index, ProbeOutcome outcome)
    {
        results_[index] = std::move(outcome);
        std::lock_guard lock(progressLock_);
        ++done_;
        if (options_.progress)
            options_.progress(done_, files_.size());
    }

    // Reads from indexes_[first] on; returns where the next helper starts.
    qsizetype runHelperFrom(qsizetype first)
    {
        QProcess helper;
        HelperProcess::start(helper, program_, {}, QIODevice::ReadWrite,
            HelperProcess::memoryBound(options_.program.isEmpty()),
            HelperProcess::lowered(RLIMIT_AS, memoryLimit), RLIM_INFINITY);
        if (!helper.waitForStarted(10000)) {
            const QString why
                = QStringLiteral("无法启动读取程序 %1：%2").arg(shown(program_), helper.errorString());
            for (qsizetype i = first; i < indexes_.size(); ++i)
                finish(indexes_[i], { std::nullopt, unreadableWarning(files_[indexes_[i]].shownPath, why) });
            return indexes_.size();
        }
        QByteArray names;
        for (qsizetype i = first; i < indexes_.size(); ++i)
            names += files_[indexes_[i]].rawPath + '\0';
        helper.write(names);
        helper.closeWriteChannel();

        qsizetype at = first;
        QByteArray pending;
        QElapsedTimer sinceAnswer;
        sinceAnswer.start();
        while (at < indexes_.size()) {
            if (stopped()) {
                helper.kill();
                helper.waitForFinished(5000);
                return indexes_.size();
            }
            if (milliseconds(sinceAnswer.elapsed()) > options_.stall) {
                helper.kill();
                helper.waitForFinished(5000);
                const QString& path = files_[indexes_[at]].shownPath;
                finish(indexes_[at],
                    { std::nullopt,
                        unreadableWarning(path,
                            QStringLiteral("%1 秒没有读完，已跳过")
                                .arg(duration_cast<seconds>(options_.stall).count())) });
                return at + 1;
            }
            const bool more = helper.waitForReadyRead(int(pollInterval.count()));
            pending += helper.readAllStandardOutput();
            qsizetype end;
            while (at < indexes_.size() && (end = pending.indexOf('\n')) >= 0) {
                finish(indexes_[at], outcomeOf(pending.left(end), files_[indexes_[at]].shownPath));
                pending.remove(0, end + 1);
                ++at;
                sinceAnswer.restart();
            }
            if (!more && helper.state() == QProcess::NotRunning && helper.bytesAvailable() == 0)
                break;
        }
        if (at < indexes_.size()) {
            // The helper ended before answering for this file: the file made it crash or run out
            // of memory.
            finish(indexes_[at],
                { std::nullopt,
                    unreadableWarning(
                        files_[indexes_[at]].shownPath, QStringLiteral("读取时出错，文件可能已损坏")) });
            return at + 1;
        }
        helper.waitForFinished(5000);
        return at;
    }

    const QList<ProbeFile>& files_;
    const QList<qsizetype> indexes_;
    const MediaProbe::Options& options_;
    const QString program_;
    QList<ProbeOutcome>& results_;
    std::mutex& progressLock_;
    qsizetype& done_;
};

// The names in each folder of the files, read once per folder.
void addSubtitleFiles(const QList<ProbeFile>& files, QList<ProbeOutcome>& results)
{
    QHash<QByteArray, QStringList> namesByFolder;
    for (qsizetype i = 0; i < files.size(); ++i) {
        if (!results[i].facts)
            continue;
        const QByteArray& raw = files[i].rawPath;
        const qsizetype slash = raw.lastIndexOf('/');
        const QByteArray folder = slash < 0 ? QByteArray(".")
            : slash == 0                    ? QByteArray("/")
                                            : raw.left(slash);
        auto names = namesByFolder.find(folder);
        if (names == namesByFolder.end()) {
            QStringList list;
            OpenFolder open(folder);
            if (open.isOpen()) {
                QList<FolderEntry> entries;
                QList<FolderEntry> folders;
                open.read(&entries, &folders);
                for (const FolderEntry& e : std::as_const(entries))
                    list << e.name;
            }
            names = namesByFolder.insert(folder, list);
        }
        const QString& path = files[i].shownPath;
        const qsizetype shownSlash = path.lastIndexOf(u'/');
        const QString shownFolder
            = shownSlash < 0 ? QString() : path.left(std::max<qsizetype>(shownSlash, 1));
        results[i].facts->subtitles += MediaSubtitles::beside(path.mid(shownSlash + 1), *names, shownFolder);
    }
}

} // namespace

QString MediaProbe::helperProgram()
{
#if defined(REELSHELF_PROBE_BUILT) && defined(REELSHELF_BUILD_ROOT)
    const QString built = QStringLiteral(REELSHELF_PROBE_BUILT);
    const QString buildRoot = QStringLiteral(REELSHELF_BUILD_ROOT);
#else
    const QString built;
    const QString buildRoot;
#endif
    return HelperProcess::locate(
        QStringLiteral("reelshelf-probe"), built, buildRoot, QStringLiteral(REELSHELF_PROBE_FROM_BIN));
}

QList<ProbeOutcome> MediaProbe::probe(const QList<ProbeFile>& files, const Options& options)
{
    QList<ProbeOutcome> results(files.size());
    if (files.isEmpty())
        return results;
    const QString program = options.program.isEmpty() ? helperProgram() : options.program;
    const int workers = int(std::min<qsizetype>(
        files.size(), options.workers > 0 ? options.workers : std::max(1, QThread::idealThreadCount())));
    // Every worker takes every n-th file, so that a folder of large files is shared out.
    std::vector<QList<qsizetype>> shares(static_cast<size_t>(workers));
    for (qsizetype i = 0; i < files.size(); ++i)
        shares[size_t(i % workers)].append(i);
    std::mutex progressLock;
    qsizetype done = 0;
    std::vector<std::unique_ptr<Worker>> pool;
    for (auto& share : shares)
        pool.push_back(
            std::make_unique<Worker>(files, std::move(share), options, program, results, progressLock, done));
    std::vector<std::thread> threads;
    for (size_t i = 1; i < pool.size(); ++i)
        threads.emplace_back([&worker = *pool[i]] { worker.run(); });
    pool.front()->run();
    for (std::thread& t : threads)
        t.join();
    addSubtitleFiles(files, results);
    return results;
}
