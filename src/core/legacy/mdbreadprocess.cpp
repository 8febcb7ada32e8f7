#include "mdbreadprocess.h"
#include "helpers/helperprocess.h"
#include "mdbwire.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>

#ifndef REELSHELF_MDBREAD_FROM_BIN
#define REELSHELF_MDBREAD_FROM_BIN "../libexec/reelshelf-index/reelshelf-mdbread"
#endif

namespace {

using namespace std::chrono;

constexpr qint64 megabyte = 1024 * 1024;
constexpr auto pollInterval = milliseconds(50);

QString shown(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

// What the helper sent so far.
struct Received
{
    MdbWire::FrameReader frames;
    QStringList names;
    QMap<QString, LegacyTable> tables; // by lower-case name
    QString failure;
    bool done = false;

    void take(const QByteArray& bytes)
    {
        frames.append(bytes);
        while (const auto frame = frames.next()) {
            switch (frame->kind) {
            case MdbWire::Kind::Names:
                names = frame->names;
                break;
            case MdbWire::Kind::Table:
                tables.insert(frame->text.toLower(), frame->table);
                break;
            case MdbWire::Kind::Failure:
                failure = frame->text;
                break;
            case MdbWire::Kind::Done:
                done = true;
                break;
            case MdbWire::Kind::Progress:
                break;
            }
        }
    }
    bool whole() const { return done && !frames.broken() && !frames.hasPartialFrame(); }
};

QString stalledMessage(const QString& path, milliseconds stall)
{
    return QStringLiteral(
        "读取旧版数据库文件 %1 时 %2 秒没有任何进展，文件可能已损坏，已停止读取。没有导入任何内容。")
        .arg(shown(path))
        .arg(duration_cast<seconds>(stall).count());
}

QString tooLongMessage(const QString& path, milliseconds total)
{
    return QStringLiteral(
        "读取旧版数据库文件 %1 超过 %2 秒仍未完成，文件可能已损坏，已停止读取。没有导入任何内容。")
        .arg(shown(path))
        .arg(duration_cast<seconds>(total).count());
}

QString brokeOffMessage(const QString& path, rlim_t memory)
{
    return QStringLiteral(
        "读取旧版数据库文件 %1 时读取程序意外中止：文件已损坏，或读取它需要的内存超过 %2 MB。"
        "没有导入任何内容。")
        .arg(shown(path))
        .arg(qint64(memory) / megabyte);
}

} // namespace

MdbReadProcess::MdbReadProcess(const QString& path, QStringList names, QMap<QString, LegacyTable> tables)
    : path_(path)
    , names_(std::move(names))
    , tables_(std::move(tables))
{
}

QString MdbReadProcess::helperProgram()
{
#if defined(REELSHELF_MDBREAD_BUILT) && defined(REELSHELF_BUILD_ROOT)
    const QString built = QStringLiteral(REELSHELF_MDBREAD_BUILT);
    const QString buildRoot = QStringLiteral(REELSHELF_BUILD_ROOT);
#else
    const QString built;
    const QString buildRoot;
#endif
    return HelperProcess::locate(
        QStringLiteral("reelshelf-mdbread"), built, buildRoot, QStringLiteral(REELSHELF_MDBREAD_FROM_BIN));
}

QString MdbReadProcess::stoppedMessage(const QString& path)
{
    return QStringLiteral("已取消读取旧版数据库文件 %1，目录没有任何改动。").arg(shown(path));
}

std::unique_ptr<MdbReadProcess> MdbReadProcess::read(
    const QString& path, const QStringList& tables, const Options& options, QString* error)
{
    const auto fail = [&](const QString& message) -> std::unique_ptr<MdbReadProcess> {
        if (error)
            *error = message;
        return nullptr;
    };
    const qint64 fileSize = QFileInfo(path).size();
    const QString program = options.program.isEmpty() ? helperProgram() : options.program;
    if (!QFileInfo(program).isExecutable())
        return fail(QStringLiteral("找不到读取旧版数据库的程序 %1，无法读取 %2。请重新安装 ReelShelf Index。")
                        .arg(shown(program), shown(path)));
    const qint64 memory = options.memoryBytes > 0 ? options.memoryBytes : 1024 * megabyte + 16 * fileSize;
    const milliseconds total = options.total > milliseconds::zero()
        ? options.total
        : minutes(1) + seconds(2) * (fileSize / megabyte);

    const rlim_t memoryLimit = HelperProcess::lowered(RLIMIT_AS, rlim_t(memory));
    QProcess helper;
    HelperProcess::start(helper, program, QStringList { path } + tables, QIODevice::ReadOnly,
        HelperProcess::memoryBound(options.program.isEmpty()), memoryLimit,
        HelperProcess::lowered(RLIMIT_CPU, rlim_t(duration_cast<seconds>(total).count() + 5)));
    if (!helper.waitForStarted(10000))
        return fail(QStringLiteral("无法启动读取旧版数据库的程序 %1（%2），无法读取 %3。")
                        .arg(shown(program), helper.errorString(), shown(path)));
    const auto stopWith = [&](const QString& message) {
        helper.kill();
        helper.waitForFinished(5000);
        return fail(message);
    };

    QElapsedTimer sinceStart;
    QElapsedTimer sinceProgress;
    sinceStart.start();
    sinceProgress.start();
    Received received;
    for (;;) {
        if (options.stop && options.stop->load())
            return stopWith(stoppedMessage(path));
        if (milliseconds(sinceProgress.elapsed()) > options.stall)
            return stopWith(stalledMessage(path, options.stall));
        if (milliseconds(sinceStart.elapsed()) > total)
            return stopWith(tooLongMessage(path, total));
        const bool more = helper.waitForReadyRead(int(pollInterval.count()));
        const QByteArray bytes = helper.readAllStandardOutput();
        if (!bytes.isEmpty()) {
            sinceProgress.restart();
            received.take(bytes);
        } else if (!more && helper.state() == QProcess::NotRunning) {
            break;
        }
    }
    if (!received.failure.isEmpty())
        return fail(received.failure);
    if (!received.whole())
        return fail(brokeOffMessage(path, memoryLimit));
    return std::unique_ptr<MdbReadProcess>(new MdbReadProcess(path, received.names, received.tables));
}

std::optional<LegacyTable> MdbReadProcess::readTable(const QString& name, QString* error)
{
    const auto found = tables_.constFind(name.toLower());
    if (found == tables_.constEnd()) {
        if (error)
            *error = QStringLiteral("旧版数据库 %1 中没有表 %2。").arg(shown(path_), name);
        return std::nullopt;
    }
    return *found;
}
