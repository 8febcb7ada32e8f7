#include "candidates.h"

#include "scantexts.h"
#include "store/textrules.h"

#include <QHash>
#include <algorithm>
#include <cmath>

QString sizeText(qint64 bytes)
{
    constexpr qint64 kib = 1024;
    constexpr qint64 mib = 1024 * 1024;
    bytes = std::max<qint64>(bytes, 0);
    const bool small = bytes < mib;
    const qint64 unit = small ? kib : mib;
    const qint64 rounded = (bytes / unit) + ((bytes % unit) * 2 >= unit ? 1 : 0);
    const QString digits = rounded == 0 ? QString() : QString::number(rounded);
    return digits + (small ? QStringLiteral("KB") : QStringLiteral("MB"));
}

QString extensionOf(const QString& foundName)
{
    return foundName.mid(foundName.lastIndexOf(u'.') + 1);
}

int iconForExtension(const QString& extension)
{
    const QString e = extension.toLower();
    if (e == QStringLiteral("rmvb") || e == QStringLiteral("rm"))
        return 1;
    if (e == QStringLiteral("avi") || e == QStringLiteral("mpg"))
        return 2;
    return 3;
}

double sizeInMegabytes(const QString& text)
{
    const double number = TextRules::numericValue(text);
    return text.endsWith(QStringLiteral("KB"), Qt::CaseInsensitive) ? number / 1024 : number;
}

QString megabyteText(double megabytes)
{
    // A kilobyte is a thousandth of a megabyte, near enough: more digits would only be noise.
    return TextRules::shortestDecimal(std::round(megabytes * 1000) / 1000) + QStringLiteral("MB");
}

QString movieSizeText(const QString& text)
{
    return megabyteText(sizeInMegabytes(text));
}

CandidateRow candidateRow(const FoundFile& file, const ScanSwitches& switches)
{
    CandidateRow row;
    row.fileName = NameCleaning::cleanName(file.name, switches);
    row.sizeText = sizeText(file.size);
    row.folder = file.folder;
    row.extension = extensionOf(file.name);
    row.icon = iconForExtension(row.extension);
    row.foundName = file.name;
    row.rawName = file.rawName;
    row.rawFolder = file.rawFolder;
    row.parts = { { file.rawFolder, file.rawName, file.folder, file.name, file.size } };
    return row;
}

QString joinedName(const QString& foundName, const ScanSwitches& switches)
{
    return NameCleaning::removePartMarks(NameCleaning::cleanName(foundName, switches));
}

void mergeParts(QList<CandidateRow>& rows)
{
    for (CandidateRow& r : rows)
        r.fileName = NameCleaning::removePartMarks(r.fileName);
    struct Group
    {
        qsizetype first;
        double megabytes;
        int parts;
    };
    QHash<QString, Group> groups;
    groups.reserve(rows.size());
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const auto it = groups.find(rows.at(i).fileName);
        if (it == groups.end()) {
            groups.insert(rows.at(i).fileName, { i, sizeInMegabytes(rows.at(i).sizeText), 1 });
            continue;
        }
        it->megabytes += sizeInMegabytes(rows.at(i).sizeText);
        ++it->parts;
        rows[it->first].parts += rows.at(i).parts;
        rows[i].duplicateMark = ScanTexts::deleteFlag();
    }
    for (const Group& g : std::as_const(groups))
        if (g.parts > 1)
            rows[g.first].sizeText = megabyteText(g.megabytes);
    removeMarkedRows(rows);
}

void removeMarkedRows(QList<CandidateRow>& rows)
{
    rows.removeIf([](const CandidateRow& r) { return r.duplicateMark == ScanTexts::deleteFlag(); });
}
