// The check of a disc's files, on real files and on a small FUSE file system that fails reads of
// chosen bytes with a true EIO, as a scratched disc does (tests/support/failingfs.py).
#include "media/filecheck.h"
#include "testsupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

namespace {

QByteArray randomBytes(qsizetype size, quint32 seed)
{
    QRandomGenerator random(seed);
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = char(random.bounded(256));
    return bytes;
}

} // namespace

TEST(FileCheck, TheFirstCheckKeepsTheHashAndLaterOnesCompareWithIt)
{
    QTemporaryDir dir;
    const QByteArray content = randomBytes(3 * 1024 * 1024 + 123, 1);
    const QString path = dir.filePath(QStringLiteral("电影.mkv"));
    writeBytes(path, content);
    const QByteArray raw = QFile::encodeName(path);

    const FileCheck::Outcome first = FileCheck::check(raw, content.size(), {});
    EXPECT_EQ(first.status, FileCheck::Outcome::Ok);
    EXPECT_EQ(first.hash, FileCheck::hashOf(content));
    EXPECT_EQ(first.hash.size(), 32);
    EXPECT_EQ(first.bytesRead, content.size());
    EXPECT_EQ(FileCheck::check(raw, content.size(), first.hash).status, FileCheck::Outcome::Ok);

    // One byte changed in place: same size, another content.
    QByteArray changed = content;
    changed[2000000] = char(changed[2000000] ^ 0x40);
    writeBytes(path, changed);
    const FileCheck::Outcome later = FileCheck::check(raw, content.size(), first.hash);
    EXPECT_EQ(later.status, FileCheck::Outcome::Changed);
    EXPECT_EQ(later.hash, FileCheck::hashOf(changed))
        << "the new hash is told, the first one kept by the caller";

    writeBytes(path, content.left(1000));
    EXPECT_EQ(FileCheck::check(raw, content.size(), first.hash).status, FileCheck::Outcome::Changed);
    QFile::remove(path);
    EXPECT_EQ(FileCheck::check(raw, content.size(), first.hash).status, FileCheck::Outcome::Missing);
    EXPECT_EQ(FileCheck::check(QFile::encodeName(dir.path()), 4096, {}).status, FileCheck::Outcome::Changed);

    std::atomic<bool> stop = true;
    writeBytes(path, content);
    EXPECT_EQ(FileCheck::check(raw, content.size(), {}, &stop).status, FileCheck::Outcome::Stopped);
}

// Hashes kept by earlier builds (or one with another vector unit) must still compare equal: known
// XXH3-128 values, the empty one as published, the others as the library's plain code gives them.
TEST(FileCheck, HashesAreTheSameWhateverCodeComputesThem)
{
    EXPECT_EQ(FileCheck::hashOf({}), QByteArrayLiteral("99aa06d3014798d86001c324468d497f"));
    EXPECT_EQ(FileCheck::hashOf("ReelShelf"), QByteArrayLiteral("15ac1378e11b2c5e48bbc74251554725"));

    // Three whole pieces and a part of one, read and hashed piece by piece.
    QByteArray content(3 * 1024 * 1024 + 123, Qt::Uninitialized);
    for (qsizetype i = 0; i < content.size(); ++i)
        content[i] = char((quint32(i) * 2654435761U) >> 24);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("long.mkv"));
    writeBytes(path, content);
    const QByteArray known("67ba45d6f7453b6384353bbfc4b57ccc");
    EXPECT_EQ(FileCheck::hashOf(content), known);
    const FileCheck::Outcome checked = FileCheck::check(QFile::encodeName(path), content.size(), known);
    EXPECT_EQ(checked.status, FileCheck::Outcome::Ok);
    EXPECT_EQ(checked.hash, known);
}

TEST(FileCheck, AReadErrorInTheMiddleIsFoundAndTheRestIsStillRead)
{
    if (!QFileInfo::exists(QStringLiteral("/dev/fuse")))
        GTEST_SKIP() << "no /dev/fuse here";
    QTemporaryDir dir;
    const QByteArray content = randomBytes(3 * 1024 * 1024, 2);
    writeBytes(dir.filePath(QStringLiteral("source/disc/movie.avi")), content);
    writeBytes(dir.filePath(QStringLiteral("source/disc/good.avi")), content.left(100000));
    const QString mountPoint = dir.filePath(QStringLiteral("mnt"));
    // A bad part of 4 KB, 1,100,000 bytes in: inside the second megabyte.
    const FailingMount mount(dir.filePath(QStringLiteral("source")), mountPoint,
        { QStringLiteral("disc/movie.avi:1100000:4096") });
    ASSERT_TRUE(mount.ok()) << "the FUSE file system did not mount (python3-fusepy)";

    qint64 reported = 0;
    const FileCheck::Outcome bad
        = FileCheck::check(QFile::encodeName(mountPoint + QStringLiteral("/disc/movie.avi")), content.size(),
            {}, nullptr, [&](qint64 bytes) { reported += bytes; });
    EXPECT_EQ(bad.status, FileCheck::Outcome::Unreadable);
    // The 64 KB step that holds the bad part, and every byte around it read.
    EXPECT_EQ(bad.offset, 1048576 + 65536 * ((1100000 - 1048576) / 65536));
    EXPECT_EQ(bad.error, EIO);
    EXPECT_EQ(bad.bytesRead, content.size() - 65536);
    EXPECT_EQ(reported, content.size());
    EXPECT_TRUE(bad.hash.isEmpty());

    const FileCheck::Outcome good
        = FileCheck::check(QFile::encodeName(mountPoint + QStringLiteral("/disc/good.avi")), 100000, {});
    EXPECT_EQ(good.status, FileCheck::Outcome::Ok);
    EXPECT_EQ(good.hash, FileCheck::hashOf(content.left(100000)));
}
