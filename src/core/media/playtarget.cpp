#include "playtarget.h"

#include "store/textrules.h"

#include <QDir>
#include <QFile>
#include <algorithm>
#include <sys/stat.h>

namespace PlayTarget {

namespace {

QByteArray below(const QByteArray& root, const QByteArray& path)
{
    return root.endsWith('/') ? root + path : root + '/' + path;
}

// A name that does not come back as the same bytes from text cannot be handed over as a URL.
bool namesAsText(const QByteArray& raw)
{
    return QFile::encodeName(QFile::decodeName(raw)) == raw;
}

// One line of the playlist: the path as its bytes, or, for a name with a line break in it, which
// a line cannot hold, as a file URL with every such byte escaped.
QByteArray entry(const QByteArray& path)
{
    if (!path.contains('\n') && !path.contains('\r'))
        return path;
    return "file://" + path.toPercentEncoding("/");
}

} // namespace

Target forFiles(const QString& root, QList<MovieFileRecord> files)
{
    Target target;
    std::stable_sort(files.begin(), files.end(),
        [](const MovieFileRecord& a, const MovieFileRecord& b) { return a.part < b.part; });
    const QByteArray rawRoot = QFile::encodeName(root);
    QList<QByteArray> paths;
    for (const MovieFileRecord& f : files) {
        const QByteArray path = below(rawRoot, f.path);
        struct stat facts
        {
        };
        if (::stat(path.constData(), &facts) != 0 || !S_ISREG(facts.st_mode)) {
            target.missing = QDir::toNativeSeparators(TextRules::decodeFileName(path));
            return target;
        }
        paths << path;
    }
    if (paths.size() == 1 && namesAsText(paths.first())) {
        target.file = QUrl::fromLocalFile(QFile::decodeName(paths.first()));
        return target;
    }
    target.playlist = "#EXTM3U\n";
    for (const QByteArray& p : paths)
        target.playlist += entry(p) + '\n';
    return target;
}

} // namespace PlayTarget
