#include "filetypes.h"

#include "store/textrules.h"

FileTypeSet FileTypeSet::fromRecords(const QList<FileTypeRecord>& records)
{
    FileTypeSet set;
    for (const FileTypeRecord& r : records) {
        if (r.selected.isNull() || r.selected.toString() != QStringLiteral("Yes"))
            continue;
        Type t;
        t.filetype = TextRules::trimBlanks(r.filetype.isNull() ? QString() : r.filetype.toString());
        if (t.filetype.contains(u'*') || t.filetype.contains(u'?')) {
            t.pattern = t.filetype.toCaseFolded();
            set.hasPatterns_ = true;
        } else if (!t.filetype.isEmpty()) {
            t.suffix = u'.' + t.filetype;
        }
        // An empty Filetype stays in the list (it keeps its place) but finds nothing.
        set.types_.append(t);
    }
    return set;
}

qsizetype FileTypeSet::firstMatch(const QString& fileName) const
{
    const QString folded = hasPatterns_ ? fileName.toCaseFolded() : QString();
    for (qsizetype i = 0; i < types_.size(); ++i) {
        const Type& t = types_.at(i);
        if (!t.suffix.isEmpty()) {
            if (fileName.endsWith(t.suffix, Qt::CaseInsensitive))
                return i;
        } else if (!t.pattern.isEmpty() && TextRules::wildcardMatch(folded, t.pattern)) {
            return i;
        }
    }
    return -1;
}

bool fileNameMatches(const QString& fileName, const QString& pattern)
{
    return TextRules::wildcardMatch(fileName.toCaseFolded(), pattern.toCaseFolded());
}
