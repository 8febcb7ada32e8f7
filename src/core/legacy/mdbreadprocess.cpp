#include "mdbreadprocess.h"
#include "mdbwire.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>

#include <csignal>
#include <sys/prctl.h>
#include <sys/resource.h>

#ifndef REELSHELF_MDBREAD_FROM_BIN
#define REELSHELF_MDBREAD_FROM_BIN "../libexec/reelshelf-index/reelshelf-mdbread"
#endif

// Built with AddressSanitizer: g++ says so with a macro, clang through __has_feature.
#if defined(__SANITIZE_ADDRESS__)
#define REELSHELF_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define REELSHELF_ADDRESS_SANITIZER 1
#endif
#endif

namespace {

using namespace std::chrono;

constexpr qint64 megabyte = 1024 * 1024;
constexpr auto pollInterval = milliseconds(50);

QString shown(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

bool isInside(const QString& path, const QString& folder)
{
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    const QString inner = QFileInfo(path).canonicalFilePath();
    return !canonical.isEmpty() && !inner.isEmpty()
        && (inner == canonical || inner.startsWith(canonical + u'/'));
}

rlim_t lowered(int resource, rlim_t wanted)
{
    rlimit current {};
    if (getrlimit(resource, &current) == 0 && current.rlim_max != RLIM_INFINITY && current.rlim_max < wanted)
        return current.rlim_max;
    return wanted;
}

void setLimit(int resource, rlim_t value)
{
    const rlimit limit { value, value };
    setrlimit(resource, &limit);
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

// How the helper's memory is bounded. Our own helper built with AddressSanitizer reserves terabytes
// of address space for its shadow at start and cannot live under an address-space limit; there the
// sanitizer's allocator keeps the bound.
enum class MemoryBound { AddressSpace, SanitizerRss };

// Starts the helper with its limits: memory and processor time, and no life beyond the thread
// that started it (a program killed while it reads takes its helper along).
void startHelper(QProcess& helper, const QString& program, const QStringList& args, MemoryBound bound,
    rlim_t memory, rlim_t cpu)
{
    helper.setProgram(program);
    helper.setArguments(args);
    // libmdb prints its complaints in English on standard error; the user gets ours instead.
    helper.setStandardErrorFile(QProcess::nullDevice());
    const bool addressSpace = bound == MemoryBound::AddressSpace;
    if (!addressSpace) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        QStringList options
            = environment.value(QStringLiteral("ASAN_OPTIONS")).split(u':', Qt::SkipEmptyParts);
        options << QStringLiteral("hard_rss_limit_mb=%1").arg(memory / megabyte);
        environment.insert(QStringLiteral("ASAN_OPTIONS"), options.join(u':'));
        helper.setProcessEnvironment(environment);
    }
    helper.setChildProcessModifier([addressSpace, memory, cpu] {
        // Between fork and exec: only calls that are safe there.
        if (addressSpace)
            setLimit(RLIMIT_AS, memory);
        setLimit(RLIMIT_CPU, cpu);
        prctl(PR_SET_PDEATHSIG, SIGKILL);
    });
    helper.start(QIODevice::ReadOnly);
}

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
    const QString name = QStringLiteral("reelshelf-mdbread");
    const QString programDir = QCoreApplication::applicationDirPath();
#if defined(REELSHELF_MDBREAD_BUILT) && defined(REELSHELF_BUILD_ROOT)
    if (isInside(programDir, QStringLiteral(REELSHELF_BUILD_ROOT)))
        return QStringLiteral(REELSHELF_MDBREAD_BUILT);
#endif
    const QString installed = QDir::cleanPath(programDir + u'/' + QStringLiteral(REELSHELF_MDBREAD_FROM_BIN));
    if (QFileInfo(installed).isExecutable())
        return installed;
    return programDir + u'/' + name;
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

    const rlim_t memoryLimit = lowered(RLIMIT_AS, rlim_t(memory));
#ifdef REELSHELF_ADDRESS_SANITIZER
    const MemoryBound bound
        = options.program.isEmpty() ? MemoryBound::SanitizerRss : MemoryBound::AddressSpace;
#else
    const MemoryBound bound = MemoryBound::AddressSpace;
#endif
    QProcess helper;
    startHelper(helper, program, QStringList { path } + tables, bound, memoryLimit,
        lowered(RLIMIT_CPU, rlim_t(duration_cast<seconds>(total).count() + 5)));
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
