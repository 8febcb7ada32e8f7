#pragma once

#include "diskconditions.h"
#include "scan/drivesearch.h"
#include "scan/wizardcommit.h"
#include "store/catalogue.h"
#include "store/datafolder.h"
#include "store/discnumbers.h"
#include "store/posterinstall.h"
#include "store/settings.h"
#include "store/textrules.h"
#include "testsupport.h"
#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QStringEncoder>
#include <gtest/gtest.h>

// The wizard's commit tests share a data folder, a tree to scan and a way to commit its rows.
using namespace WizardCommit;

namespace {

// The files of these tests stand in for the sizes a disc holds and are no movies: their facts are
// not read (the tests of the facts make real movie files).
const Options noFacts { false, {}, {} };

// A JPEG of exactly `bytes` bytes (padded after its end marker, as cameras do), in its own colour
// so that a copied poster tells which picture it came from.
[[maybe_unused]] QByteArray writeJpeg(const QString& path, qint64 bytes, QColor colour)
{
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG");
    EXPECT_LE(data.size(), bytes);
    data.append(QByteArray(bytes - data.size(), '\0'));
    writeBytes(path, data);
    return data;
}

// Every file of Posters/ with its bytes, to see that nothing there changed.
[[maybe_unused]] QStringList postersState(const DataFolder& folder)
{
    QStringList out;
    const QDir dir(folder.postersDir());
    for (const QString& name : dir.entryList(QDir::Files, QDir::Name))
        out << name + u'=' + QString::fromLatin1(readBytes(dir.filePath(name)).toBase64());
    return out;
}

// A field as it reads back, null told apart from an empty text.
[[maybe_unused]] QString shown(const QVariant& value)
{
    return value.isNull() ? QStringLiteral("<null>") : value.toString();
}

class WizardCommitTest : public ::testing::Test
{
protected:
    // A movie file in the tree and its prepared row, as "添加到预备列表" makes it.
    PreparedRow row(const QString& relativePath, const QString& sizeText = QStringLiteral("700MB"))
    {
        tree_.file(relativePath, 1);
        const QFileInfo file(tree_.path(relativePath));
        CandidateRow candidate;
        candidate.fileName = file.fileName();
        candidate.sizeText = sizeText;
        candidate.folder = file.absolutePath();
        candidate.extension = extensionOf(file.fileName());
        candidate.foundName = file.fileName();
        return preparedRow(candidate);
    }
    Result commitRows(const QList<PreparedRow>& rows, const QString& number = QStringLiteral("12"),
        const QString& magicSelect4V = QStringLiteral("1"), const Progress& progress = {})
    {
        Catalogue catalogue(home_.folder().catalogueFile());
        const Disc disc { number, QString(), QStringLiteral("DVD"), QStringLiteral("/media/cdrom") };
        return commit(catalogue, home_.folder(), magicSelect4V, disc, rows, progress, noFacts);
    }
    QList<MovieRecord> movies() const
    {
        QList<MovieRecord> out;
        Catalogue(home_.folder().catalogueFile()).forEachMovie([&](const MovieRecord& m) {
            out << m;
            return true;
        });
        return out;
    }
    QString poster(double id) const { return home_.folder().posterFor(TextRules::shortestDecimal(id)); }
    // What a kill leaves after the transaction stored movie 1 of disc 1: its poster staged in
    // Posters/.incoming/cut, to go in once the poster now there is kept in Backups/Replaced-X/Posters.
    QString leaveNewPosterKeepingLeftoverAside()
    {
        const QString incoming = home_.folder().postersDir() + QStringLiteral("/.incoming");
        writeBytes(incoming + QStringLiteral("/cut/Posters/0.jpg"), "new poster");
        home_.addDisc(QStringLiteral("1"));
        home_.addMovie(1, QStringLiteral("新片"), 1);
        home_.exec(
            QStringLiteral("CREATE TABLE PendingPosters (Staging TEXT, Staged TEXT, ID REAL, Target TEXT, "
                           "KeepIn TEXT, Existing TEXT)"));
        home_.exec(QStringLiteral("INSERT INTO PendingPosters VALUES ('cut', '0.jpg', 1, NULL, "
                                  "'Backups/Replaced-X/Posters', 'keepaside')"));
        return incoming;
    }

    // A poster set aside under the one Backups/Replaced-<stamp>/Posters folder; empty without one.
    QByteArray keptPoster(const QString& name) const
    {
        const QStringList kept = QDir(home_.path() + QStringLiteral("/Backups"))
                                     .entryList({ QStringLiteral("Replaced-*") }, QDir::Dirs);
        return kept.size() == 1 ? readBytes(home_.path() + QStringLiteral("/Backups/") + kept.first()
                   + QStringLiteral("/Posters/") + name)
                                : QByteArray();
    }

    TestHome home_;
    TestTree tree_;
};

} // namespace
