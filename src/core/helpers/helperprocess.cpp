#include "helperprocess.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>

#include <csignal>
#include <sys/prctl.h>

// Built with AddressSanitizer: g++ says so with a macro, clang through __has_feature.
#if defined(__SANITIZE_ADDRESS__)
#define REELSHELF_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define REELSHELF_ADDRESS_SANITIZER 1
#endif
#endif

namespace HelperProcess {

namespace {

constexpr qint64 megabyte = 1024 * 1024;

bool isInside(const QString& path, const QString& folder)
{
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    const QString inner = QFileInfo(path).canonicalFilePath();
    return !canonical.isEmpty() && !inner.isEmpty()
        && (inner == canonical || inner.startsWith(canonical + u'/'));
}

void setLimit(int resource, rlim_t value)
{
    const rlimit limit { value, value };
    setrlimit(resource, &limit);
}

} // namespace

QString locate(const QString& name, const QString& built, const QString& buildRoot, const QString& fromBin)
{
    const QString programDir = QCoreApplication::applicationDirPath();
    if (!built.isEmpty() && !buildRoot.isEmpty() && isInside(programDir, buildRoot))
        return built;
    const QString installed = QDir::cleanPath(programDir + u'/' + fromBin);
    if (QFileInfo(installed).isExecutable())
        return installed;
    return programDir + u'/' + name;
}

rlim_t lowered(int resource, rlim_t wanted)
{
    rlimit current {};
    if (getrlimit(resource, &current) == 0 && current.rlim_max != RLIM_INFINITY && current.rlim_max < wanted)
        return current.rlim_max;
    return wanted;
}

MemoryBound memoryBound(bool ownHelper)
{
#ifdef REELSHELF_ADDRESS_SANITIZER
    return ownHelper ? MemoryBound::SanitizerRss : MemoryBound::AddressSpace;
#else
    Q_UNUSED(ownHelper);
    return MemoryBound::AddressSpace;
#endif
}

void start(QProcess& helper, const QString& program, const QStringList& args, QIODevice::OpenMode mode,
    MemoryBound bound, rlim_t memory, rlim_t cpu)
{
    helper.setProgram(program);
    helper.setArguments(args);
    helper.setStandardErrorFile(QProcess::nullDevice());
    const bool addressSpace = bound == MemoryBound::AddressSpace;
    if (!addressSpace) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        QStringList options
            = environment.value(QStringLiteral("ASAN_OPTIONS")).split(u':', Qt::SkipEmptyParts);
        options << QStringLiteral("hard_rss_limit_mb=%1").arg(qint64(memory) / megabyte);
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
    helper.start(mode);
}

} // namespace HelperProcess
