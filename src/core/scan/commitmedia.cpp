#include "commitmedia.h"

#include "drives.h"
#include "filenames.h"

#include <QDateTime>
#include <QFile>
#include <atomic>
#include <sys/stat.h>

namespace CommitMedia {

namespace {

// The parts of a row: those the search found, or the row's own file.
QList<PartFile> partsOf(const WizardCommit::PreparedRow& row)
{
    if (!row.parts.isEmpty())
        return row.parts;
    const QByteArray folder = row.rawFolder.isEmpty() ? QFile::encodeName(row.folder) : row.rawFolder;
    const QString name = row.foundName.isEmpty() ? row.name : row.foundName;
    const QByteArray rawName = row.rawName.isEmpty() ? QFile::encodeName(name) : row.rawName;
    return { { folder, rawName, row.folder, name, -1 } };
}

QByteArray rawPathOf(const PartFile& part)
{
    return part.rawFolder.endsWith('/') ? part.rawFolder + part.rawName : part.rawFolder + '/' + part.rawName;
}

QString shownPathOf(const PartFile& part)
{
    return part.folder.endsWith(u'/') ? part.folder + part.name : part.folder + u'/' + part.name;
}

// The path below the root, or the whole path for a file elsewhere.
template <typename Text> Text below(const Text& path, Text root)
{
    while (root.size() > 1 && root.endsWith('/'))
        root.chop(1);
    if (root == Text("/"))
        return path.mid(1);
    return path.startsWith(root + '/') ? path.mid(root.size() + 1) : path;
}

} // namespace

Gathered gather(const QList<WizardCommit::PreparedRow>& rows, const QString& root, bool readFacts,
    const QString& probeProgram, const std::function<bool(int done, int total)>& progress)
{
    Gathered out;
    QList<ProbeFile> files;
    QList<std::pair<qsizetype, qsizetype>> owners; // row and part of each file
    // The search names files by whole paths, so a root typed relative to the working folder is made whole
    // too.
    const QString wholeRoot = normalizedRoot(root);
    const QByteArray rawRoot = QFile::encodeName(wholeRoot);
    for (qsizetype r = 0; r < rows.size(); ++r) {
        QList<MovieFileRecord> records;
        const QList<PartFile> parts = partsOf(rows.at(r));
        for (qsizetype p = 0; p < parts.size(); ++p) {
            const QByteArray raw = rawPathOf(parts.at(p));
            MovieFileRecord record;
            record.part = int(p + 1);
            record.path = below(raw, rawRoot);
            record.size = parts.at(p).size;
            struct stat st
            {
            };
            if (::stat(raw.constData(), &st) == 0) {
                record.size = st.st_size;
                record.modified = QDateTime::fromSecsSinceEpoch(st.st_mtim.tv_sec, Qt::UTC);
            }
            records.append(record);
            files.append({ raw, shownPathOf(parts.at(p)) });
            owners.append({ r, p });
        }
        out.files.append(records);
    }
    if (!readFacts || files.isEmpty())
        return out;
    std::atomic<bool> stop = false;
    MediaProbe::Options options;
    options.program = probeProgram;
    options.stop = &stop;
    options.progress = [&](qsizetype done, qsizetype total) {
        if (progress && !progress(int(done), int(total)))
            stop = true;
    };
    if (progress && !progress(0, int(files.size()))) {
        out.stopped = true;
        return out;
    }
    const QList<ProbeOutcome> outcomes = MediaProbe::probe(files, options);
    out.stopped = stop.load();
    const QString& shownRoot = wholeRoot;
    for (qsizetype i = 0; i < outcomes.size(); ++i) {
        std::optional<MediaFacts> facts = outcomes.at(i).facts;
        // Subtitle files are remembered where they lie on the medium, as the movie files are.
        if (facts)
            for (SubtitleTrack& s : facts->subtitles)
                if (s.external)
                    s.path = below(s.path, shownRoot);
        out.files[owners.at(i).first][owners.at(i).second].facts = facts;
        if (!outcomes.at(i).warning.isEmpty())
            out.warnings << outcomes.at(i).warning;
    }
    return out;
}

QList<std::optional<MediaFacts>> factsOf(const QList<MovieFileRecord>& files)
{
    QList<std::optional<MediaFacts>> facts;
    for (const MovieFileRecord& f : files)
        facts << f.facts;
    return facts;
}

} // namespace CommitMedia
