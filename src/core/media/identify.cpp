#include "identify.h"

#include "mediumidentity.h"
#include "store/mediatables.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStringList>
#include <cmath>

namespace Identify {

namespace {

using FileKey = std::pair<QByteArray, qint64>;

double shareFound(const QList<FileKey>& remembered, const QSet<FileKey>& present)
{
    if (remembered.isEmpty())
        return 0;
    qsizetype found = 0;
    for (const FileKey& f : remembered)
        found += present.contains(f) ? 1 : 0;
    return double(found) / double(remembered.size());
}

// The candidates with the best share, or none below the matching share.
Result best(QList<Candidate> candidates)
{
    Result r;
    double top = -1;
    for (const Candidate& c : candidates)
        top = std::max(top, c.share);
    for (const Candidate& c : candidates)
        if (c.share == top && top >= matchingShare)
            r.candidates << c;
    r.status = r.candidates.isEmpty() ? Result::Unknown
        : r.candidates.size() == 1    ? Result::Found
                                      : Result::Tie;
    return r;
}

} // namespace

QString discLabel(const QString& number, const QString& name)
{
    return name.isEmpty() ? QStringLiteral("碟#%1").arg(number)
                          : QStringLiteral("碟#%1 [%2]").arg(number, name);
}

QString tieMessage(const QList<Candidate>& tied)
{
    QStringList names;
    for (const Candidate& c : tied)
        names << discLabel(c.disc, c.name);
    return QStringLiteral("这张光盘与 %1 同样相符，无法确定是哪一张。").arg(names.join(QStringLiteral("、")));
}

Result identify(const QString& catalogueFile, const QString& root, const std::atomic<bool>* stop)
{
    Result result;
    // A folder that is not there holds no disc: that is not the same as a disc not catalogued.
    if (!QFileInfo::exists(root)) {
        result.status = Result::Failed;
        result.error = QStringLiteral("找不到 %1（光盘没有放入，或文件夹不存在）。")
                           .arg(QDir::toNativeSeparators(root));
        return result;
    }
    const auto discs = MediaTables::rememberedDiscs(catalogueFile, &result.error);
    if (!discs) {
        result.status = Result::Failed;
        return result;
    }
    const QByteArray rawRoot = QFile::encodeName(root);
    const DiscMediumRecord medium = MediumIdentity::volumeOf(rawRoot);
    const QList<FileKey> files = MediumIdentity::filesUnder(rawRoot, stop);
    if (stop && stop->load()) {
        result.status = Result::Failed;
        result.error = QStringLiteral("已停止识别。");
        return result;
    }
    const QSet<FileKey> present(files.begin(), files.end());

    QList<Candidate> byUuid;
    QList<Candidate> byFiles;
    for (const MediaTables::RememberedDisc& d : *discs) {
        const double share = shareFound(d.files, present);
        if (!d.uuid.isEmpty() && !medium.uuid.isEmpty()) {
            // A disc that remembers its UUID is this medium exactly when the UUIDs agree; a medium
            // without one (a copy in a folder) is told by its files.
            if (d.uuid == medium.uuid)
                byUuid << Candidate { d.number, d.name, QStringLiteral("uuid"),
                    d.files.isEmpty() || files.isEmpty() ? -1.0 : share };
            continue;
        }
        if (!d.files.isEmpty())
            byFiles << Candidate { d.number, d.name, QStringLiteral("files"), share };
    }
    if (!byUuid.isEmpty()) {
        result.candidates = byUuid;
        result.status = byUuid.size() == 1 ? Result::Found : Result::Tie;
        return result;
    }
    return best(byFiles);
}

} // namespace Identify
