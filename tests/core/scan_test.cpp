#include "scan/drives.h"
#include "scan/drivesearch.h"
#include "scan/filenames.h"
#include "scan/scantexts.h"
#include "scan/treescan.h"
#include "store/datafolder.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <gtest/gtest.h>

namespace {

FileTypeRecord type(const QString& filetype, const QVariant& selected = QStringLiteral("Yes"))
{
    return { filetype, selected, QVariant() };
}

FileTypeSet types(const QStringList& filetypes)
{
    QList<FileTypeRecord> records;
    for (const QString& t : filetypes)
        records << type(t);
    return FileTypeSet::fromRecords(records);
}

// "name @ folder relative to the tree" for each found file, in order.
QStringList found(const TreeScan& scan, const TestTree& tree)
{
    QStringList out;
    for (const FoundFile& f : scan.files) {
        const QString folder
            = f.folder == tree.path() ? QStringLiteral(".") : f.folder.mid(tree.path().size() + 1);
        out << f.name + QStringLiteral(" @ ") + folder;
    }
    return out;
}

bool permissionsStopUs(const QString& folder)
{
    QDir probe(folder);
    return !probe.isReadable() || probe.entryList().isEmpty();
}

} // namespace

TEST(FileTypes, SelectionTrimmingAndMatching)
{
    const FileTypeSet set = FileTypeSet::fromRecords(
        { type(QStringLiteral(" avi ")), type(QStringLiteral("rmvb"), QStringLiteral("yes")),
            type(QStringLiteral("mkv"), QVariant()), type(QStringLiteral("")),
            type(QStringLiteral("Movie?.m*")), type(QStringLiteral("AVI")), type(QStringLiteral("*.avi")) });
    ASSERT_EQ(set.size(), 5);
    EXPECT_EQ(set.filetype(0), QStringLiteral("avi"));
    const struct
    {
        const char16_t* name;
        qsizetype type;
    } cases[] = {
        { u"a.avi", 0 }, { u"A.AVI", 0 }, // letter case ignored, and listed once under the first type
        { u".avi", 0 }, // a hidden file is a file like any other
        { u"a.avi.part", -1 }, // the extension is what ends the name
        { u"aavi", -1 }, { u"b.rmvb", -1 }, // "yes" is not "Yes"
        { u"c.mkv", -1 }, // a null Selected is not "Yes"
        { u"MOVIE1.MKV", 2 }, // a pattern, letter case ignored
        { u"movie12.mkv", -1 }, { u"avi", -1 }, // the empty type finds nothing, not every name
    };
    for (const auto& c : cases)
        EXPECT_EQ(set.firstMatch(QString::fromUtf16(c.name)), c.type)
            << QString::fromUtf16(c.name).toStdString();
}

TEST(TreeScan, TypeOrderThenDepthFirstFilesBeforeFoldersInNameOrder)
{
    TestTree tree;
    tree.file(QStringLiteral("a.avi"), 10);
    tree.file(QStringLiteral("sub/b.rmvb"), 10);
    EXPECT_EQ(found(scanTree(tree.path(), types({ QStringLiteral("avi"), QStringLiteral("rmvb") })), tree),
        QStringList({ QStringLiteral("a.avi @ ."), QStringLiteral("b.rmvb @ sub") }));
    EXPECT_EQ(found(scanTree(tree.path(), types({ QStringLiteral("rmvb"), QStringLiteral("avi") })), tree),
        QStringList({ QStringLiteral("b.rmvb @ sub"), QStringLiteral("a.avi @ .") }));

    tree.file(QStringLiteral("Zeta.avi"), 1);
    tree.file(QStringLiteral("beta.AVI"), 1);
    tree.file(QStringLiteral("a/deep/x.avi"), 1);
    tree.file(QStringLiteral("a/y.avi"), 1);
    tree.file(QStringLiteral("B/z.avi"), 1);
    tree.file(QStringLiteral("sub/c.avi"), 1);
    EXPECT_EQ(found(scanTree(tree.path(), types({ QStringLiteral("avi") })), tree),
        QStringList({ QStringLiteral("a.avi @ ."), QStringLiteral("beta.AVI @ ."),
            QStringLiteral("Zeta.avi @ ."), QStringLiteral("y.avi @ a"), QStringLiteral("x.avi @ a/deep"),
            QStringLiteral("z.avi @ B"), QStringLiteral("c.avi @ sub") }));
}

TEST(TreeScan, HiddenFoldersLinksAndSizes)
{
    TestTree tree;
    tree.file(QStringLiteral(".hidden/secret.avi"), 5);
    tree.file(QStringLiteral(".shown.avi"), 734003200);
    tree.file(QStringLiteral("real/movie.avi"), 1048576);
    tree.link(QStringLiteral("real/loop"), tree.path());
    tree.link(QStringLiteral("elsewhere"), tree.path(QStringLiteral("real")));
    tree.link(QStringLiteral("alias.avi"), tree.path(QStringLiteral("real/movie.avi")));
    tree.link(QStringLiteral("broken.avi"), tree.path(QStringLiteral("gone.avi")));
    tree.folder(QStringLiteral("folder.avi"));
    const TreeScan scan = scanTree(tree.path(), types({ QStringLiteral("avi") }));
    EXPECT_EQ(scan.status, ScanStatus::Completed);
    EXPECT_EQ(found(scan, tree),
        QStringList({ QStringLiteral(".shown.avi @ ."), QStringLiteral("alias.avi @ ."),
            QStringLiteral("movie.avi @ real") }));
    ASSERT_EQ(scan.files.size(), 3);
    EXPECT_EQ(scan.files[0].size, 734003200);
    EXPECT_EQ(scan.files[1].size, 1048576); // a link to a file reads as that file
    EXPECT_EQ(scan.foldersVisited, 3); // the root, real and folder.avi; no link, no hidden folder
}

TEST(TreeScan, RootIsNormalisedAndFoldersJoinedWithOneSlash)
{
    TestTree tree;
    tree.file(QStringLiteral("disc/sub/m.avi"), 1);
    const QString current = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(tree.path()));
    const TreeScan relative = scanTree(QStringLiteral("disc/"), types({ QStringLiteral("avi") }));
    QDir::setCurrent(current);
    EXPECT_EQ(relative.root, tree.path(QStringLiteral("disc")));
    ASSERT_EQ(relative.files.size(), 1);
    EXPECT_EQ(relative.files[0].folder, tree.path(QStringLiteral("disc/sub")));

    const TreeScan doubled
        = scanTree(tree.path() + QStringLiteral("//disc//"), types({ QStringLiteral("avi") }));
    ASSERT_EQ(doubled.files.size(), 1);
    EXPECT_EQ(doubled.files[0].folder, tree.path(QStringLiteral("disc/sub")));
    EXPECT_EQ(normalizedRoot(QStringLiteral("/")), QStringLiteral("/"));
    EXPECT_EQ(normalizedRoot(QString()), QString());
}

TEST(TreeScan, RootsThatCannotBeSearchedSaySo)
{
    TestTree tree;
    tree.file(QStringLiteral("plain.avi"), 1);
    const FileTypeSet avi = types({ QStringLiteral("avi") });

    const TreeScan missing = scanTree(tree.path(QStringLiteral("nothing")), avi);
    EXPECT_EQ(missing.status, ScanStatus::RootMissing);
    EXPECT_EQ(missing.problem,
        QStringLiteral("驱动器或文件夹 %1 不存在。").arg(tree.path(QStringLiteral("nothing"))));
    const TreeScan file = scanTree(tree.path(QStringLiteral("plain.avi")), avi);
    EXPECT_EQ(file.status, ScanStatus::RootNotFolder);
    EXPECT_EQ(file.problem,
        QStringLiteral("%1 不是文件夹，无法搜索。").arg(tree.path(QStringLiteral("plain.avi"))));
    EXPECT_EQ(scanTree(QString(), avi).problem, QStringLiteral("未选择驱动器或文件夹。"));
}

TEST(TreeScan, UnreadableFolders)
{
    TestTree tree;
    tree.file(QStringLiteral("plain.avi"), 1);
    const FileTypeSet avi = types({ QStringLiteral("avi") });
    tree.file(QStringLiteral("locked/inside.avi"), 1);
    QFile::setPermissions(tree.path(QStringLiteral("locked")), QFileDevice::Permissions());
    const bool stopped = permissionsStopUs(tree.path(QStringLiteral("locked")));
    const TreeScan locked = scanTree(tree.path(QStringLiteral("locked")), avi);
    const TreeScan around = scanTree(tree.path(), avi);
    QFile::setPermissions(
        tree.path(QStringLiteral("locked")), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (!stopped)
        GTEST_SKIP() << "permissions do not stop this user (root)";
    EXPECT_EQ(locked.status, ScanStatus::RootUnreadable);
    EXPECT_EQ(locked.problem,
        QStringLiteral("无法读取驱动器或文件夹 %1（没有读取权限或读取出错）。")
            .arg(tree.path(QStringLiteral("locked"))));
    // Below the root an unreadable folder is skipped and the rest is searched.
    EXPECT_EQ(around.status, ScanStatus::Completed);
    EXPECT_EQ(found(around, tree), QStringList({ QStringLiteral("plain.avi @ .") }));
    EXPECT_EQ(around.foldersSkipped, 1);
}

TEST(TreeScan, ProgressPerFolderAndCancelStopsAtOnce)
{
    TestTree tree;
    for (const char* f : { "1/a.avi", "2/b.avi", "3/c.avi", "4/d.avi" })
        tree.file(QString::fromLatin1(f), 1);
    QList<ScanProgress> seen;
    const TreeScan all = scanTree(tree.path(), types({ QStringLiteral("avi") }), [&](const ScanProgress& p) {
        seen << p;
        return true;
    });
    ASSERT_EQ(seen.size(), 5);
    EXPECT_EQ(seen[0].folder, tree.path());
    EXPECT_EQ(seen[2].folder, tree.path(QStringLiteral("2")));
    EXPECT_EQ(seen[2].foldersVisited, 3);
    EXPECT_EQ(seen[2].filesFound, 1);
    EXPECT_EQ(all.files.size(), 4);

    int calls = 0;
    const TreeScan stopped
        = scanTree(tree.path(), types({ QStringLiteral("avi") }), [&](const ScanProgress& p) {
              ++calls;
              return p.foldersVisited < 3;
          });
    EXPECT_EQ(calls, 3);
    EXPECT_EQ(stopped.status, ScanStatus::Cancelled);
    EXPECT_EQ(found(stopped, tree), QStringList({ QStringLiteral("a.avi @ 1") }));
}

namespace {

class DriveSearchTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        home_.exec(QStringLiteral("DELETE FROM MovieFileType"));
        home_.exec(
            QStringLiteral("INSERT INTO MovieFileType VALUES ('avi ', 'Yes', NULL), ('rmvb', 'Yes', NULL), "
                           "('AVI', 'Yes', NULL), ('mkv', 'No', NULL)"));
        tree_.file(QStringLiteral("Movie.2008.CD1.avi"), 700 * 1048576);
        tree_.file(QStringLiteral("Movie.2008.CD2.avi"), 512 * 1024);
        tree_.file(QStringLiteral("extra/Film(BBS.btchina.net).rmvb"), 300 * 1048576);
        tree_.file(QStringLiteral("extra/LOUD.AVI"), 700 * 1048576);
        tree_.file(QStringLiteral("extra/skip.mkv"), 1);
    }
    DriveSearch search(const QString& editByHand, const QString& autoSelect)
    {
        home_.writeSetting(Settings::mainSection(), QStringLiteral("EditByHand"), editByHand);
        home_.writeSetting(Settings::mainSection(), QStringLiteral("AutoSelect"), autoSelect);
        QString error;
        const auto request = ScanRequest::load(home_.folder(), tree_.path(), &error);
        EXPECT_TRUE(request) << error.toStdString();
        return request ? searchDrive(*request) : DriveSearch();
    }
    TestHome home_;
    TestTree tree_;
};

QStringList rowTexts(const DriveSearch& s)
{
    QStringList out;
    for (const CandidateRow& r : s.rows)
        out << r.fileName + u'|' + r.sizeText + u'|' + r.extension;
    return out;
}

} // namespace

TEST_F(DriveSearchTest, CleansAndJoinsPartsWithTheDataFoldersSettings)
{
    // A part in KB is added as megabytes; LOUD.AVI matches "avi " and "AVI" and is listed once,
    // so its size is not doubled by the merge.
    const DriveSearch merged = search(QStringLiteral("0"), QStringLiteral("1"));
    EXPECT_EQ(rowTexts(merged),
        QStringList({ QStringLiteral("Movie2008.avi|700.5MB|avi"), QStringLiteral("LOUD.AVI|700MB|AVI"),
            QStringLiteral("Film.rmvb|300MB|rmvb") }));
    EXPECT_EQ(merged.rows[1].folder, tree_.path(QStringLiteral("extra")));
    EXPECT_EQ(merged.rows[1].icon, 2);
    EXPECT_EQ(merged.resultText(), QStringLiteral("*共找到3部影视文件。"));

    const DriveSearch byHand = search(QStringLiteral("1"), QStringLiteral("0"));
    EXPECT_EQ(rowTexts(byHand),
        QStringList({ QStringLiteral("Movie.2008.CD1.avi|700MB|avi"),
            QStringLiteral("Movie.2008.CD2.avi|512KB|avi"), QStringLiteral("LOUD.AVI|700MB|AVI"),
            QStringLiteral("Film(BBS.btchina.net).rmvb|300MB|rmvb") }));
    EXPECT_EQ(byHand.resultText(), QStringLiteral("*共找到4部影视文件。"));

    // By hand, the merge still takes the part marks off.
    const DriveSearch byHandMerged = search(QStringLiteral("2"), QStringLiteral("1"));
    EXPECT_EQ(rowTexts(byHandMerged),
        QStringList({ QStringLiteral("Movie.2008..avi|700.5MB|avi"), QStringLiteral("LOUD.AVI|700MB|AVI"),
            QStringLiteral("Film(BBS.btchina.net).rmvb|300MB|rmvb") }));
}

TEST_F(DriveSearchTest, ProgressCountsFilesAsTheResultDoes)
{
    // Entering "extra", the walk has found the two parts in the root: one movie once joined.
    auto progressEnteringExtra = [this](const QString& editByHand, const QString& autoSelect) {
        home_.writeSetting(Settings::mainSection(), QStringLiteral("EditByHand"), editByHand);
        home_.writeSetting(Settings::mainSection(), QStringLiteral("AutoSelect"), autoSelect);
        const auto request = ScanRequest::load(home_.folder(), tree_.path(), nullptr);
        ScanProgress seen;
        searchDrive(*request, [&](const ScanProgress& p) {
            if (p.folder == tree_.path(QStringLiteral("extra")))
                seen = p;
            return true;
        });
        return seen;
    };
    const ScanProgress merged = progressEnteringExtra(QStringLiteral("0"), QStringLiteral("1"));
    EXPECT_EQ(merged.filesFound, 2);
    EXPECT_EQ(merged.moviesFound, 1);
    const ScanProgress byHand = progressEnteringExtra(QStringLiteral("1"), QStringLiteral("0"));
    EXPECT_EQ(byHand.filesFound, 2);
    EXPECT_EQ(byHand.moviesFound, 2);
}

TEST_F(DriveSearchTest, MissingRootIsNotAnEmptyDisc)
{
    QString error;
    const auto request = ScanRequest::load(home_.folder(), tree_.path(QStringLiteral("none")), &error);
    ASSERT_TRUE(request);
    const DriveSearch s = searchDrive(*request);
    EXPECT_TRUE(s.rootFailed());
    EXPECT_EQ(s.resultText(), ScanTexts::rootMissing(tree_.path(QStringLiteral("none"))));
    EXPECT_NE(s.resultText(), ScanTexts::found(0));
}

namespace {

QByteArray gbk(const QString& text)
{
    return QStringEncoder("GB18030").encode(text);
}

} // namespace

TEST(TreeScan, NamesThatAreNotUtf8AreShownAsGbkAndKeptAsBytes)
{
    TestTree tree;
    // Written under Windows: folder and file named in GBK; a UTF-8 name beside them stays as it is.
    const QByteArray folder = gbk(QStringLiteral("英雄"));
    tree.rawFile(folder + '/' + gbk(QStringLiteral("英雄 CD1.avi")), "x");
    tree.rawFile(QByteArray("无间道.avi"), "xy");
    const TreeScan scan = scanTree(tree.path(), types({ QStringLiteral("avi") }));
    ASSERT_EQ(scan.status, ScanStatus::Completed);
    ASSERT_EQ(found(scan, tree),
        QStringList({ QStringLiteral("无间道.avi @ ."), QStringLiteral("英雄 CD1.avi @ 英雄") }));
    EXPECT_EQ(scan.files[1].rawName, gbk(QStringLiteral("英雄 CD1.avi")));
    EXPECT_EQ(scan.files[1].rawFolder, tree.rawPath(folder));
    EXPECT_EQ(scan.files[1].size, 1);
    EXPECT_EQ(scan.files[0].rawName, QByteArray("无间道.avi"));
    // Bytes that are neither still show as something, never as nothing.
    EXPECT_FALSE(TextRules::decodeFileName(QByteArray("\xff\xfe.avi")).isEmpty());
}

TEST(TreeScan, FoldersThatCannotBeReadAreCountedAndNamed)
{
    TestTree tree;
    tree.file(QStringLiteral("a/one.avi"), 1);
    tree.folderPastPathLimit(QStringLiteral("deep"));
    tree.file(QStringLiteral("z/two.avi"), 1);
    const TreeScan scan = scanTree(tree.path(), types({ QStringLiteral("avi") }));
    EXPECT_EQ(scan.status, ScanStatus::Completed);
    EXPECT_EQ(
        found(scan, tree), QStringList({ QStringLiteral("one.avi @ a"), QStringLiteral("two.avi @ z") }));
    EXPECT_EQ(scan.foldersUnreadable, 1);
    ASSERT_EQ(scan.unreadableFolders.size(), 1);
    EXPECT_TRUE(scan.unreadableFolders[0].startsWith(tree.path(QStringLiteral("deep/ddd"))));

    // A folder taken away between its listing and its turn is one that could not be read too.
    TestTree other;
    other.file(QStringLiteral("a/one.avi"), 1);
    other.file(QStringLiteral("b/two.avi"), 1);
    const TreeScan gone
        = scanTree(other.path(), types({ QStringLiteral("avi") }), [&](const ScanProgress& p) {
              if (p.folder == other.path(QStringLiteral("a")))
                  QDir(other.path(QStringLiteral("b"))).removeRecursively();
              return true;
          });
    EXPECT_EQ(gone.status, ScanStatus::Completed);
    EXPECT_EQ(gone.foldersUnreadable, 1);
    EXPECT_EQ(gone.unreadableFolders, QStringList({ other.path(QStringLiteral("b")) }));
}

TEST(TreeScan, ARootThatGoesAwayDuringTheScanFailsIt)
{
    // Renamed away (or a medium taken out) while a folder is searched: whatever was found is
    // not the whole disc, and the scan says so instead of handing over a part.
    TestTree tree;
    for (const char* f : { "disc/1/a.avi", "disc/2/b.avi", "disc/3/c.avi" })
        tree.file(QString::fromLatin1(f), 1);
    const QString root = tree.path(QStringLiteral("disc"));
    const QString movedTo = tree.path(QStringLiteral("elsewhere"));
    const TreeScan lost = scanTree(root, types({ QStringLiteral("avi") }), [&](const ScanProgress& p) {
        if (p.folder == root + QStringLiteral("/1"))
            QDir().rename(root, movedTo);
        return true;
    });
    EXPECT_EQ(lost.status, ScanStatus::RootLost);
    EXPECT_EQ(lost.problem, ScanTexts::rootLost(root));
    EXPECT_TRUE(lost.files.isEmpty());

    // Replaced by another folder of the same name after its last folder was entered.
    QDir().rename(movedTo, root);
    const TreeScan replaced = scanTree(root, types({ QStringLiteral("avi") }), [&](const ScanProgress& p) {
        if (p.folder == root + QStringLiteral("/3")) {
            QDir().rename(root, movedTo);
            QDir().mkpath(root + QStringLiteral("/3"));
        }
        return true;
    });
    EXPECT_EQ(replaced.status, ScanStatus::RootLost);
    EXPECT_TRUE(replaced.files.isEmpty());
}

TEST_F(DriveSearchTest, UnreadableFoldersAreSaidAfterTheCount)
{
    tree_.folderPastPathLimit(QStringLiteral("deep"));
    const DriveSearch s = search(QStringLiteral("1"), QStringLiteral("0"));
    EXPECT_FALSE(s.rootFailed());
    EXPECT_EQ(s.foldersUnreadable, 1);
    EXPECT_EQ(s.resultText(), QStringLiteral("*共找到4部影视文件。有 1 个文件夹无法读取。"));
}
