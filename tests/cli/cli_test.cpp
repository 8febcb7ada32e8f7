#include "clicommand.h"
#include "diskconditions.h"
#include "jsonline.h"
#include "store/catalogue.h"
#include "store/settings.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTextStream>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

CliRun run(const QStringList& args, const QString& exeDir = QString())
{
    return runCliCaptured(args, exeDir);
}

CliRun run(const TestHome& home, const QStringList& args)
{
    return runCliCaptured(home, args);
}

QJsonObject parsed(const QString& line)
{
    QJsonParseError e;
    const QJsonDocument doc = QJsonDocument::fromJson(line.toUtf8(), &e);
    EXPECT_EQ(e.error, QJsonParseError::NoError) << line.toStdString();
    return doc.object();
}

} // namespace

TEST(CliDiscs, JsonLinesInTreeOrder)
{
    TestHome home;
    home.addDisc(QStringLiteral("12"), QStringLiteral("动作片"), QStringLiteral("DVD "), {}, {},
        QStringLiteral("Yes"));
    home.addDisc(QVariant());
    home.addDisc(QStringLiteral("3 "), QStringLiteral(" 剧集 "), QStringLiteral("VCD "),
        QStringLiteral("外借"), QStringLiteral("借给老王 "), QStringLiteral("No"));
    const CliRun r = run(home, { QStringLiteral("discs"), QStringLiteral("--json") });
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    ASSERT_EQ(r.lines().size(), 2) << r.out.toStdString();
    EXPECT_EQ(r.lines()[0],
        QStringLiteral("{\"Key\": \"Node12\", \"Text\": \"碟#12[动作片]\", \"Icon\": 2, \"DiskNum\": \"12\", "
                       "\"Name\": \"动作片\", \"DiskType\": \"DVD\", \"Station\": null, \"PS\": null, "
                       "\"Fav\": \"Yes\"}"));
    EXPECT_EQ(r.lines()[1],
        QStringLiteral("{\"Key\": \"Node3\", \"Text\": \"碟#3[剧集]\", \"Icon\": 3, \"DiskNum\": \"3\", "
                       "\"Name\": \"剧集\", \"DiskType\": \"VCD\", \"Station\": \"外借\", "
                       "\"PS\": \"借给老王\", \"Fav\": \"No\"}"));
    EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
}

TEST(CliDiscs, EmptyDiscTableSaysSo)
{
    TestHome home;
    const CliRun r = run(home, { QStringLiteral("discs"), QStringLiteral("--json") });
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("光盘数据库还未添加数据,选择'新建'开始添加.")))
        << r.err.toStdString();
}

namespace {

class CliList : public ::testing::Test
{
protected:
    void SetUp() override
    {
        home_.addDisc(QStringLiteral("12"), QStringLiteral("动作片"), QStringLiteral("DVD "), {}, {},
            QStringLiteral("Yes"));
        home_.addDisc(QStringLiteral("120"));
        MovieRecord full;
        full[MovieField::Year] = QStringLiteral("2002 ");
        full[MovieField::Filetype] = QStringLiteral("rmvb ");
        full[MovieField::Type] = QStringLiteral("动作/历史");
        full[MovieField::Lastfor] = 95.0;
        full[MovieField::Score] = 7.5;
        full[MovieField::Seen] = QStringLiteral("yes");
        home_.addMovie(1, QStringLiteral(" 英雄 "), 12, full);
        home_.addMovie(2, QStringLiteral("一二零"), 120);
        home_.addMovie(3, QStringLiteral("十面埋伏"), 12);
    }
    TestHome home_;
};

} // namespace

TEST_F(CliList, AllMoviesAsJsonLines)
{
    const CliRun r = run(home_, { QStringLiteral("list"), QStringLiteral("--json") });
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    ASSERT_EQ(r.lines().size(), 3) << r.out.toStdString();
    EXPECT_EQ(r.lines()[0],
        QStringLiteral("{\"MovieName\": \"英雄\", \"Year\": \"2002\", \"FileType\": \"rmvb\", "
                       "\"Type\": \"动作/历史\", \"Audio\": \"\", \"SubTitile\": \"\", \"Definition\": \"\", "
                       "\"MovieSize\": \"\", \"FileNum\": \"\", \"EngName\": \"\", \"Direct\": \"\", "
                       "\"Role\": \"\", \"Company\": \"\", \"Lastfor\": \"95 Mins\", \"PS\": \"\", "
                       "\"ID\": \"1\", \"Nation\": \"\", \"DiskNum\": \"12\", \"Score\": \"7.5\", "
                       "\"Seen\": \"yes\"}"));
    for (const QString& line : r.lines())
        EXPECT_EQ(parsed(line).size(), 20) << line.toStdString();
    EXPECT_EQ(parsed(r.lines()[1]).value(QStringLiteral("MovieName")).toString(), QStringLiteral("一二零"));
    EXPECT_EQ(r.err.trimmed(), QStringLiteral("共2张光碟,3部影视."));
}

TEST_F(CliList, OneDisc)
{
    const CliRun r = run(home_,
        { QStringLiteral("list"), QStringLiteral("--disc"), QStringLiteral("12"), QStringLiteral("--json") });
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    ASSERT_EQ(r.lines().size(), 2) << r.out.toStdString();
    // A disc listing shows the title as stored.
    EXPECT_EQ(parsed(r.lines()[0]).value(QStringLiteral("MovieName")).toString(), QStringLiteral(" 英雄 "));
    EXPECT_EQ(parsed(r.lines()[1]).value(QStringLiteral("ID")).toString(), QStringLiteral("3"));
    EXPECT_EQ(r.err, QStringLiteral(" 碟# 12 / 共2部影视.\n"));

    const CliRun other
        = run(home_, { QStringLiteral("list"), QStringLiteral("--disc=120"), QStringLiteral("--json") });
    EXPECT_EQ(other.code, 0);
    EXPECT_EQ(other.lines().size(), 1);
}

TEST_F(CliList, ReadableTableWithoutJson)
{
    const CliRun r = run(home_, { QStringLiteral("list") });
    EXPECT_EQ(r.code, 0);
    ASSERT_EQ(r.lines().size(), 5) << r.out.toStdString();
    EXPECT_TRUE(r.lines()[2].contains(QStringLiteral("英雄")));
    EXPECT_TRUE(r.lines()[2].contains(QStringLiteral("95 Mins")));
}

TEST_F(CliList, TableRowsStayOnOneLineAndLineUpPastAccentsAndInvisibleCharacters)
{
    // An accent typed as a second character, a zero-width space, and line breaks a pager obeys.
    home_.addMovie(4, QStringLiteral("Cafe\u0301\u200B"), 120);
    home_.addMovie(5, QStringLiteral("Café"), 120);
    home_.addMovie(6, QStringLiteral("a\u2028b\u2029c\vd\fe\u0085f"), 120);
    const CliRun r = run(home_, { QStringLiteral("list"), QStringLiteral("--disc"), QStringLiteral("120") });
    EXPECT_EQ(r.code, 0);
    ASSERT_EQ(r.lines().size(), 2 + 4) << r.out.toStdString();
    EXPECT_EQ(QString(r.lines()[3]).replace(QStringLiteral("Cafe\u0301\u200B"), QStringLiteral("Café")),
        QString(r.lines()[4]).replace(u'5', u'4'));
    EXPECT_TRUE(r.lines()[5].contains(QStringLiteral(" a b c d e f "))) << r.lines()[5].toStdString();
}

TEST_F(CliList, JsonEscapesQuotesBackslashesAndLineBreaks)
{
    const QString title = QStringLiteral("他说\"好\"\\路径\n第二行\t完");
    home_.addMovie(4, title, 120);
    const CliRun r = run(home_,
        { QStringLiteral("list"), QStringLiteral("--disc"), QStringLiteral("120"),
            QStringLiteral("--json") });
    ASSERT_EQ(r.lines().size(), 2) << r.out.toStdString();
    EXPECT_TRUE(
        r.lines()[1].startsWith(QStringLiteral("{\"MovieName\": \"他说\\\"好\\\"\\\\路径\\n第二行\\t完\", ")))
        << r.lines()[1].toStdString();
    EXPECT_EQ(parsed(r.lines()[1]).value(QStringLiteral("MovieName")).toString(), title);
}

TEST(CliListEmpty, EmptyMovieTableGivesTheMessageAndNoRows)
{
    TestHome home;
    home.addDisc(QStringLiteral("1"));
    const CliRun r = run(home, { QStringLiteral("list"), QStringLiteral("--json") });
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
    EXPECT_EQ(r.err, QStringLiteral("光盘数据库还未添加数据!\n"));
}

TEST(CliUsage, BadUsageExitsWithTwo)
{
    TestHome home;
    const QString h = home.path();
    const QList<QStringList> bad = {
        {},
        { QStringLiteral("--home") },
        { QStringLiteral("--home"), h },
        { QStringLiteral("--home"), h, QStringLiteral("shelve") },
        { QStringLiteral("--home"), h, QStringLiteral("discs"), QStringLiteral("--disc"),
            QStringLiteral("1") },
        { QStringLiteral("--home"), h, QStringLiteral("discs"), QStringLiteral("extra") },
        { QStringLiteral("--home"), h, QStringLiteral("list"), QStringLiteral("--disc") },
        { QStringLiteral("--home"), h, QStringLiteral("list"), QStringLiteral("--disc"), QStringLiteral("1"),
            QStringLiteral("--disc"), QStringLiteral("2") },
        { QStringLiteral("--home"), h, QStringLiteral("list"), QStringLiteral("--jsonx") },
    };
    for (const QStringList& args : bad) {
        const CliRun r = run(args);
        EXPECT_EQ(r.code, 2) << args.join(u' ').toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << args.join(u' ').toStdString();
        EXPECT_TRUE(r.err.contains(QStringLiteral("reelshelf-cli"))) << args.join(u' ').toStdString();
    }
}

TEST(CliUsage, HelpAskedForIsTheAnswerOnStandardOutput)
{
    TestHome home;
    for (const QString& ask : { QStringLiteral("--help"), QStringLiteral("-h") }) {
        const CliRun r = run({ QStringLiteral("--home"), home.path(), ask });
        EXPECT_EQ(r.code, 0) << ask.toStdString();
        EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
        EXPECT_TRUE(r.out.startsWith(QStringLiteral("用法: reelshelf-cli [--home DIR] <命令> [选项]\n")));
        EXPECT_TRUE(r.out.contains(QStringLiteral("  import-mdb FILE [--json]\n"))) << r.out.toStdString();
    }
}

TEST(CliFailure, CorruptCatalogueIsRefusedAndUntouched)
{
    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("ShelfIndex.db"));
    QByteArray bytes("SQLite format 3", 16);
    bytes += QByteArray(4080, '\x5a');
    {
        QFile f(db);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    for (const QString& command : { QStringLiteral("discs"), QStringLiteral("list") }) {
        const CliRun r = run({ QStringLiteral("--home=") + dir.path(), command, QStringLiteral("--json") });
        EXPECT_EQ(r.code, 1) << command.toStdString();
        EXPECT_TRUE(r.out.isEmpty());
        EXPECT_TRUE(r.err.contains(db)) << r.err.toStdString();
    }
    EXPECT_EQ(readBytes(db), bytes);
}

TEST(CliFailure, FolderThatCannotExistIsRefused)
{
    QTemporaryDir dir;
    {
        QFile f(dir.filePath(QStringLiteral("plain")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    const CliRun r = run(
        { QStringLiteral("--home"), dir.filePath(QStringLiteral("plain/home")), QStringLiteral("discs") });
    EXPECT_EQ(r.code, 1);
    EXPECT_FALSE(r.err.isEmpty());
}

TEST(CliHome, PortableFolderBesideTheProgramIsUsed)
{
    if (qEnvironmentVariableIsSet("REELSHELF_HOME"))
        GTEST_SKIP() << "REELSHELF_HOME is set for this run";
    TestHome home;
    home.addDisc(QStringLiteral("8"));
    const CliRun r = run({ QStringLiteral("discs"), QStringLiteral("--json") }, home.path());
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    ASSERT_EQ(r.lines().size(), 1);
    EXPECT_TRUE(r.lines()[0].startsWith(QStringLiteral("{\"Key\": \"Node8\""))) << r.out.toStdString();
}

// Text made of these bytes would name a folder of replacement characters: a new, empty data
// folder that a command would then write into as if it were the user's.
TEST(CliHome, NamesThatAreNotUtf8AreRefusedAndNoOtherFolderIsMade)
{
    QTemporaryDir dir;
    const QByteArray gbk = QFile::encodeName(dir.path()) + "/\xC6\xAC\xBF\xE2"; // 片库 in GBK
    ASSERT_EQ(::mkdir(gbk.constData(), 0755), 0);

    const auto problem = argumentProblem({ "--home", gbk, "discs" });
    ASSERT_TRUE(problem.has_value());
    EXPECT_TRUE(problem->contains(QStringLiteral("片库"))) << problem->toStdString();
    EXPECT_TRUE(problem->contains(QStringLiteral("不是 UTF-8"))) << problem->toStdString();
    EXPECT_FALSE(argumentProblem({ "--home", QStringLiteral("/tmp/片库").toUtf8(), "discs" }).has_value());

    // The program itself, given the bytes as a shell gives them.
    QProcess cli;
    cli.start(QStringLiteral("bash"),
        { QStringLiteral("-c"),
            QStringLiteral(
                "exec \"$0\" --home \"$1/$(printf '\\306\\254\\277\\342')\" add-disc --number 1 \"$1\""),
            QStringLiteral(REELSHELF_CLI_PROGRAM), dir.path() });
    ASSERT_TRUE(cli.waitForFinished(30000));
    EXPECT_EQ(cli.exitCode(), 1);
    EXPECT_TRUE(QString::fromUtf8(cli.readAllStandardError()).contains(QStringLiteral("不是 UTF-8")));

    const QByteArray saved = qgetenv("REELSHELF_HOME");
    qputenv("REELSHELF_HOME", gbk);
    const CliRun r = run({ QStringLiteral("discs") });
    qputenv("REELSHELF_HOME", saved);
    if (saved.isEmpty())
        qunsetenv("REELSHELF_HOME");
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("REELSHELF_HOME"))) << r.err.toStdString();

    // Nothing beside the folder, nothing inside it: rmdir fails on a folder that is not empty.
    EXPECT_EQ(::rmdir(gbk.constData()), 0) << "the folder of that name must still be empty";
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
}

TEST(CliHome, ReadOnlyFolderStillLists)
{
    TestHome home;
    home.addDisc(QStringLiteral("1"));
    home.addMovie(1, QStringLiteral("英雄"), 1);
    const QByteArray before = readBytes(home.folder().catalogueFile());
    const auto writable = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
    QFile::setPermissions(home.folder().catalogueFile(), QFile::ReadOwner);
    QFile::setPermissions(home.path(), QFile::ReadOwner | QFile::ExeOwner);
    const CliRun r = run(home, { QStringLiteral("list"), QStringLiteral("--json") });
    QFile::setPermissions(home.path(), writable);
    QFile::setPermissions(home.folder().catalogueFile(), writable);
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.lines().size(), 1);
    EXPECT_EQ(readBytes(home.folder().catalogueFile()), before);
}

namespace {

class CliScan : public ::testing::Test
{
protected:
    void SetUp() override
    {
        tree_.file(QStringLiteral("Movie.2008.CD1.avi"), 700 * 1048576);
        tree_.file(QStringLiteral("Movie.2008.CD2.avi"), 699 * 1048576);
        tree_.file(QStringLiteral("sub/电影天堂英雄.RMVB"), 300 * 1024);
        tree_.file(QStringLiteral("sub/cover.jpg"), 1000);
    }
    TestHome home_;
    TestTree tree_;
};

} // namespace

TEST_F(CliScan, CandidateRowsAsJsonLines)
{
    const CliRun r = run(home_, { QStringLiteral("scan"), tree_.path() + u'/', QStringLiteral("--json") });
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    ASSERT_EQ(r.lines().size(), 2) << r.out.toStdString();
    EXPECT_EQ(r.lines()[0],
        QStringLiteral("{\"FileName\": \"Movie2008.avi\", \"Size\": \"1399MB\", \"Folder\": \"%1\", "
                       "\"Extension\": \"avi\"}")
            .arg(tree_.path()));
    EXPECT_EQ(r.lines()[1],
        QStringLiteral("{\"FileName\": \"英雄.RMVB\", \"Size\": \"300KB\", \"Folder\": \"%1/sub\", "
                       "\"Extension\": \"RMVB\"}")
            .arg(tree_.path()));
    EXPECT_TRUE(r.err.endsWith(QStringLiteral("*共找到2部影视文件。\n"))) << r.err.toStdString();
}

TEST_F(CliScan, TableFollowsTheSettingsAndTheFileTypes)
{
    home_.writeSetting(Settings::mainSection(), QStringLiteral("EditByHand"), QStringLiteral("1"));
    home_.writeSetting(Settings::mainSection(), QStringLiteral("AutoSelect"), QStringLiteral("0"));
    home_.exec(QStringLiteral("UPDATE MovieFileType SET Selected = 'No' WHERE Filetype = 'rmvb'"));
    const CliRun r = run(home_, { QStringLiteral("scan"), tree_.path() });
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    ASSERT_EQ(r.lines().size(), 4) << r.out.toStdString();
    EXPECT_TRUE(r.lines()[0].startsWith(QStringLiteral("文件名"))) << r.lines()[0].toStdString();
    EXPECT_TRUE(r.lines()[2].startsWith(QStringLiteral("Movie.2008.CD1.avi  700MB")))
        << r.lines()[2].toStdString();
    EXPECT_TRUE(r.lines()[3].contains(QStringLiteral("699MB")));
    EXPECT_TRUE(r.err.contains(QStringLiteral("*文件系统名称:"))) << r.err.toStdString();
    EXPECT_TRUE(r.err.endsWith(QStringLiteral("*共找到2部影视文件。\n"))) << r.err.toStdString();
}

TEST_F(CliScan, UnreadableRootFailsAndBadUsageIsRefused)
{
    const QString missing = tree_.path(QStringLiteral("no-disc"));
    const CliRun r = run(home_, { QStringLiteral("scan"), missing, QStringLiteral("--json") });
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_EQ(r.err, QStringLiteral("驱动器或文件夹 %1 不存在。\n").arg(missing));

    for (const QStringList& args : { QStringList { QStringLiteral("scan") },
             QStringList { QStringLiteral("scan"), QStringLiteral("--json") },
             QStringList { QStringLiteral("scan"), tree_.path(), tree_.path() },
             QStringList { QStringLiteral("scan"), tree_.path(), QStringLiteral("--all") } }) {
        const CliRun bad = run(home_, args);
        EXPECT_EQ(bad.code, 2) << args.join(u' ').toStdString();
        EXPECT_TRUE(bad.err.contains(QStringLiteral("scan ROOT [--json]"))) << bad.err.toStdString();
    }
}

TEST_F(CliList, SearchGivesTheListObjectsOfTheHits)
{
    const CliRun list = run(home_, { QStringLiteral("list"), QStringLiteral("--json") });
    const struct
    {
        QStringList args;
        QList<int> listLines; // which lines of `list --json` the search prints
    } cases[] = {
        { { "--title", " 英雄" }, { 0 } },
        { { "--title", "英雄", "--exact" }, {} },
        { { "--title", "??埋伏" }, { 2 } },
        { { "--year", "2002" }, { 0 } },
        { { "--genre", "历史" }, { 0 } },
        { { "--format", "RMVB" }, { 0 } },
        { { "--seen" }, { 0 } },
        { { "--unseen" }, {} },
        { { "--title", " " }, { 0, 1, 2 } },
    };
    for (const auto& c : cases) {
        const CliRun r
            = run(home_, QStringList { QStringLiteral("search") } + c.args + QStringList { "--json" });
        EXPECT_EQ(r.code, 0) << r.err.toStdString();
        QStringList expected;
        for (int i : c.listLines)
            expected << list.lines().at(i);
        EXPECT_EQ(r.lines(), expected) << c.args.join(u' ').toStdString();
        EXPECT_EQ(r.err, QStringLiteral("搜索完毕,共发现 %1 项.\n").arg(c.listLines.size()));
    }
}

TEST_F(CliList, SearchWithEmptyTextPrintsNothingAndTableFormHasHeaders)
{
    const CliRun empty = run(home_, { "search", "--title", "", "--json" });
    EXPECT_EQ(empty.code, 0);
    EXPECT_EQ(empty.out, QString());
    EXPECT_EQ(empty.err, QString());
    const CliRun table = run(home_, { "search", "--year", "2002" });
    EXPECT_EQ(table.code, 0);
    EXPECT_TRUE(table.out.contains(QStringLiteral("英雄"))) << table.out.toStdString();
    EXPECT_FALSE(table.out.contains(QStringLiteral("十面埋伏")));
}

TEST(CliSearch, BadUsageExitsWithTwo)
{
    TestHome home;
    const QStringList bad[] = { { "search" }, { "search", "--title" },
        { "search", "--year", "1", "--genre", "x" }, { "search", "--seen", "--unseen" },
        { "search", "--year", "1", "--exact" }, { "search", "--other" } };
    for (const QStringList& args : bad) {
        const CliRun r = run(home, args);
        EXPECT_EQ(r.code, 2) << args.join(u' ').toStdString();
        EXPECT_TRUE(r.out.isEmpty());
    }
}

TEST(CliSearch, EmptyMovieTableWarnsOnStandardErrorOnly)
{
    TestHome home;
    const CliRun r = run(home, { "search", "--seen", "--json" });
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_EQ(r.err, QStringLiteral("数据库还未添加数据。\n搜索完毕,共发现 0 项.\n"));
}

TEST(CliJson, WriterEscapesAsJsonLineDoes)
{
    const QString texts[] = { QStringLiteral("plain"), QStringLiteral("q\"b\\s/"),
        QStringLiteral("a\nb\rc\td"), QString(QChar(1)) + QChar(0x1f) + QChar(0x2028) + QChar(0x2029),
        QStringLiteral("中文 é"), QString::fromUcs4(U"\U0001F3AC"), QString() };
    for (const QString& t : texts) {
        QByteArray bytes;
        JsonLinesWriter::appendQuoted(bytes, t);
        EXPECT_EQ(QString::fromUtf8(bytes), JsonLine::quoted(t)) << t.toStdString();
    }
    QString out;
    {
        QTextStream stream(&out);
        JsonLinesWriter writer(stream);
        writer.beginObject();
        writer.member(u"A", u"1");
        writer.member(u"B", u"");
        writer.endObject();
        writer.beginObject();
        writer.endObject();
    }
    EXPECT_EQ(out, QStringLiteral("{\"A\": \"1\", \"B\": \"\"}\n{}\n"));
}

namespace {

class CliAddDisc : public ::testing::Test
{
protected:
    void SetUp() override
    {
        tree_.file(QStringLiteral("Movie.2008.CD1.avi"), 700 * 1048576);
        tree_.file(QStringLiteral("Movie.2008.CD2.avi"), 699 * 1048576);
        tree_.file(QStringLiteral("sub/电影天堂英雄.RMVB"), 300 * 1048576);
        writeBytes(tree_.path(QStringLiteral("sub/intro.txt")),
            QStringLiteral("◎片　　名　Hero\n◎IMDB评分　8.1/10\n◎主　　演　李连杰\n◎简　　介　\n刺客。\n")
                .toUtf8());
        home_.writePicture(QStringLiteral("cover.jpg"), 16, 16);
        QFile::copy(home_.path() + QStringLiteral("/cover.jpg"), tree_.path(QStringLiteral("sub/cover.jpg")));
    }
    QStringList addDisc(const QStringList& options, int expectedCode)
    {
        // The files here are sparse stand-ins, not movies: their facts are not read.
        QStringList args = { QStringLiteral("add-disc"), QStringLiteral("--no-facts") };
        args << options;
        const CliRun r = run(home_, args);
        EXPECT_EQ(r.code, expectedCode) << r.err.toStdString();
        last_ = r;
        return r.lines();
    }
    TestHome home_;
    TestTree tree_;
    CliRun last_;
};

} // namespace

TEST_F(CliAddDisc, StoresWhatTheWizardStoresAndPrintsItAsListDoes)
{
    home_.addMovie(7, QStringLiteral("旧片"), 1);
    const QStringList lines
        = addDisc({ QStringLiteral("--number"), QStringLiteral("3"), QStringLiteral("--name"),
                      QStringLiteral("新片"), QStringLiteral("--json"), tree_.path() },
            0);
    ASSERT_EQ(lines.size(), 2) << last_.out.toStdString();
    EXPECT_EQ(lines[0],
        QStringLiteral(
            "{\"MovieName\": \"Movie2008\", \"Year\": \"\", \"FileType\": \"avi\", \"Type\": \"\", "
            "\"Audio\": \"\", \"SubTitile\": \"\", \"Definition\": \"\", \"MovieSize\": \"1399MB\", "
            "\"FileNum\": \"\", \"EngName\": \"\", \"Direct\": \"\", \"Role\": \"\", \"Company\": \"\", "
            "\"Lastfor\": \"\", \"PS\": \"\", \"ID\": \"8\", \"Nation\": \"\", \"DiskNum\": \"3\", "
            "\"Score\": \"\", \"Seen\": \"\"}"));
    const QJsonObject hero = parsed(lines[1]);
    EXPECT_EQ(hero.value(QStringLiteral("MovieName")).toString(), QStringLiteral("英雄"));
    EXPECT_EQ(hero.value(QStringLiteral("EngName")).toString(), QStringLiteral("Hero"));
    EXPECT_EQ(hero.value(QStringLiteral("Score")).toString(), QStringLiteral("8.1"));
    EXPECT_EQ(hero.value(QStringLiteral("ID")).toString(), QStringLiteral("9"));
    EXPECT_EQ(last_.err, QStringLiteral("*共找到2部影视文件。\n 碟# 3 / 共2部影视.\n"));

    // The same rows as the disc's listing shows them afterwards.
    const CliRun listed = run(home_,
        { QStringLiteral("list"), QStringLiteral("--disc"), QStringLiteral("3"), QStringLiteral("--json") });
    EXPECT_EQ(listed.lines(), lines);
    EXPECT_EQ(home_.discRows(), QStringList({ QStringLiteral("3|新片|DVD |-|-|-") }));
    EXPECT_EQ(readBytes(home_.folder().posterFor(QStringLiteral("9"))),
        readBytes(tree_.path(QStringLiteral("sub/cover.jpg"))));
    EXPECT_FALSE(QFileInfo::exists(home_.folder().posterFor(QStringLiteral("8"))));

    // Without --json a table like list's; the kind as given.
    const QStringList table = addDisc(
        { QStringLiteral("--kind=硬盘"), QStringLiteral("--number=4"), QStringLiteral("--"), tree_.path() },
        0);
    ASSERT_EQ(table.size(), 4) << last_.out.toStdString();
    EXPECT_TRUE(table[0].startsWith(QStringLiteral("编号"))) << table[0].toStdString();
    EXPECT_TRUE(table[2].startsWith(QStringLiteral("10 "))) << table[2].toStdString();
    EXPECT_EQ(home_.discRows().last(), QStringLiteral("4|-|硬盘 |-|-|-"));
}

TEST_F(CliAddDisc, RefusalsExitWithOneAndStoreNothing)
{
    home_.addDisc(QStringLiteral("3"));
    TestTree empty;
    const QString missing = tree_.path(QStringLiteral("no-disc"));
    const struct
    {
        QStringList args;
        QString message;
    } cases[] = {
        { { QStringLiteral("--number"), QStringLiteral(" 3 "), tree_.path() },
            QStringLiteral("已经存在光盘号为3的光盘,请确认您输入的光盘号正确!\n") },
        { { QStringLiteral("--number"), QStringLiteral(""), tree_.path() },
            QStringLiteral("未输入碟号或选择驱动器!\n") },
        { { QStringLiteral("--number"), QStringLiteral("5"), QStringLiteral("") },
            QStringLiteral("未输入碟号或选择驱动器!\n") },
        { { QStringLiteral("--number"), QStringLiteral("5"), missing },
            QStringLiteral("驱动器或文件夹 %1 不存在。\n").arg(missing) },
        { { QStringLiteral("--number"), QStringLiteral("5"), empty.path() },
            QStringLiteral("*共找到0部影视文件。\n预备列表中未发现文件!请点击上一步右键添加.\n") },
        { { QStringLiteral("--number"), QStringLiteral("012"), tree_.path() },
            QStringLiteral("*共找到2部影视文件。\n光盘号“012”的写法不规范：光盘号必须是一个不带前导零的普通数"
                           "字，请改为“12”。\n") },
    };
    const QByteArray before = readBytes(home_.folder().catalogueFile());
    for (const auto& c : cases) {
        const QStringList lines = addDisc(c.args + QStringList { QStringLiteral("--json") }, 1);
        EXPECT_TRUE(lines.isEmpty()) << c.args.join(u' ').toStdString();
        EXPECT_EQ(last_.err, c.message) << c.args.join(u' ').toStdString();
    }
    EXPECT_EQ(home_.discRows(), QStringList({ QStringLiteral("3|-|DVD |-|-|-") }));
    EXPECT_TRUE(home_.movieIds().isEmpty());
    EXPECT_EQ(readBytes(home_.folder().catalogueFile()), before);
    EXPECT_EQ(
        QDir(home_.folder().postersDir()).entryList(QDir::Files), QStringList({ QStringLiteral("00.jpg") }));
}

TEST_F(CliAddDisc, BadUsageExitsWithTwo)
{
    const QString root = tree_.path();
    const QList<QStringList> bad = {
        { root },
        { QStringLiteral("--number"), QStringLiteral("5") },
        { QStringLiteral("--number") },
        { QStringLiteral("--number"), QStringLiteral("5"), root, root },
        { QStringLiteral("--number"), QStringLiteral("5"), QStringLiteral("--number"), QStringLiteral("6"),
            root },
        { QStringLiteral("--number"), QStringLiteral("5"), QStringLiteral("--drive"), root },
        { QStringLiteral("--number"), QStringLiteral("5"), root, QStringLiteral("--name") },
    };
    for (const QStringList& args : bad) {
        addDisc(args, 2);
        EXPECT_TRUE(last_.out.isEmpty());
        EXPECT_TRUE(last_.err.contains(QStringLiteral("add-disc --number N"))) << last_.err.toStdString();
    }
    EXPECT_TRUE(home_.discRows().isEmpty());
}

TEST(CliExport, PrintsOnlyThePathOfTheFileWritten)
{
    TestHome home;
    home.addDisc(QStringLiteral("5"), QStringLiteral("五"));
    home.addMovie(1, QStringLiteral("Heat"), 5);
    QTemporaryDir share;
    const struct
    {
        QStringList args;
        QString path;
    } cases[] = {
        { { QStringLiteral("--txt") }, home.folder().outputsDir() + QStringLiteral("/ReelShelfIndex.txt") },
        { { QStringLiteral("--xls"), QStringLiteral("--folder"), share.path() + u'/' },
            share.path() + QStringLiteral("/ReelShelfIndex.xls") },
    };
    for (const auto& c : cases) {
        const CliRun r = run(home, QStringList { QStringLiteral("export") } + c.args);
        EXPECT_EQ(r.code, 0) << r.err.toStdString();
        EXPECT_EQ(r.out, c.path + u'\n');
        EXPECT_EQ(r.err, QStringLiteral("数据转换成功!\n"));
        EXPECT_TRUE(QFileInfo::exists(c.path));
    }
    const CliRun stamped
        = run(home, { QStringLiteral("export"), QStringLiteral("--txt"), QStringLiteral("--stamped") });
    EXPECT_EQ(stamped.code, 0);
    EXPECT_TRUE(QFileInfo(stamped.out.trimmed())
                    .fileName()
                    .contains(QRegularExpression(QStringLiteral("^ReelShelfIndex_\\d{12}\\.txt$"))))
        << stamped.out.toStdString();
    EXPECT_TRUE(readBytes(stamped.out.trimmed()).contains("⊙碟号5【五】\r\n      ◎Heat\r\n"));
}

TEST(CliExport, FailureAndBadUsage)
{
    TestHome home;
    QTemporaryDir share;
    const QString gone = share.path() + QStringLiteral("/gone");
    const CliRun failed
        = run(home, { QStringLiteral("export"), QStringLiteral("--xls"), QStringLiteral("--folder"), gone });
    EXPECT_EQ(failed.code, 1);
    EXPECT_TRUE(failed.out.isEmpty());
    EXPECT_EQ(failed.err,
        QStringLiteral("文件夹 %1 不存在,无法保存文件 %1/ReelShelfIndex.xls 。数据没有转换。\n").arg(gone));
    EXPECT_FALSE(QFileInfo::exists(gone));
    for (const QStringList& args :
        { QStringList {}, QStringList { QStringLiteral("--txt"), QStringLiteral("--xls") },
            QStringList { QStringLiteral("--txt"), QStringLiteral("--folder") },
            QStringList { QStringLiteral("--csv") } }) {
        const CliRun r = run(home, QStringList { QStringLiteral("export") } + args);
        EXPECT_EQ(r.code, 2) << args.join(u' ').toStdString();
        EXPECT_TRUE(r.err.contains(QStringLiteral("export (--txt | --xls) [--folder DIR] [--stamped]")));
    }
}

TEST(CliExport, AFullDiskFailsWithTheCauseAndWritesNothing)
{
    FullDisk disk;
    if (!disk.mounted())
        GTEST_SKIP() << "mounting a small disk needs root";
    TestHome home;
    home.addDisc(QStringLiteral("5"), QStringLiteral("五"));
    home.addMovie(1, QStringLiteral("Heat"), 5);
    disk.fill();
    for (const char* format : { "--txt", "--xls" }) {
        for (bool stamped : { false, true }) {
            QStringList args { QStringLiteral("export"), QString::fromLatin1(format),
                QStringLiteral("--folder"), disk.path() };
            if (stamped)
                args << QStringLiteral("--stamped");
            const CliRun r = run(home, args);
            EXPECT_EQ(r.code, 1) << args.join(u' ').toStdString();
            EXPECT_TRUE(r.out.isEmpty());
            EXPECT_TRUE(r.err.startsWith(QStringLiteral("无法写入文件 %1/ReelShelfIndex").arg(disk.path())))
                << r.err.toStdString();
            EXPECT_TRUE(r.err.endsWith(QStringLiteral("：磁盘已满。请腾出磁盘空间后再试。数据没有转换。\n")))
                << r.err.toStdString();
        }
    }
    EXPECT_EQ(
        QDir(disk.path()).entryList(QDir::Files | QDir::Hidden), QStringList { QStringLiteral(".filler") });
}

TEST_F(CliScan, FoldersThatCouldNotBeReadAreCountedAndNamed)
{
    tree_.folderPastPathLimit(QStringLiteral("deep"));
    const CliRun r = run(home_, { QStringLiteral("scan"), tree_.path(), QStringLiteral("--json") });
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.lines().size(), 2);
    const qsizetype said = r.err.indexOf(QStringLiteral("*共找到2部影视文件。有 1 个文件夹无法读取。\n  ")
        + tree_.path(QStringLiteral("deep/ddd")));
    EXPECT_GE(said, 0) << r.err.toStdString();
}

TEST_F(CliAddDisc, NamesInGbkGiveTitlesAndFoldersThatCouldNotBeReadAreSaid)
{
    const auto gbk = [](const QString& text) {
        QStringEncoder encoder("GB18030");
        return QByteArray(encoder.encode(text));
    };
    const QByteArray folder = gbk(QStringLiteral("十面埋伏"));
    tree_.rawFile(folder + '/' + gbk(QStringLiteral("十面埋伏.avi")), "x");
    tree_.rawFile(folder + '/' + gbk(QStringLiteral("十面埋伏.txt")),
        gbk(QStringLiteral("◎片　　名　House of Flying Daggers\n")));
    tree_.folderPastPathLimit(QStringLiteral("deep"));
    const QStringList lines
        = addDisc({ QStringLiteral("--number=5"), QStringLiteral("--json"), tree_.path() }, 0);
    ASSERT_EQ(lines.size(), 3) << last_.out.toStdString();
    const QJsonObject daggers = parsed(lines[1]);
    EXPECT_EQ(daggers.value(QStringLiteral("MovieName")).toString(), QStringLiteral("十面埋伏"));
    EXPECT_EQ(daggers.value(QStringLiteral("EngName")).toString(), QStringLiteral("House of Flying Daggers"));
    EXPECT_TRUE(last_.err.startsWith(QStringLiteral("*共找到3部影视文件。有 1 个文件夹无法读取。\n")))
        << last_.err.toStdString();
}

TEST_F(CliAddDisc, AProblemSharedByManyMoviesIsSaidOnce)
{
    for (const char* f : { "shared/One.avi", "shared/Two.avi", "shared/Three.avi" })
        tree_.file(QString::fromLatin1(f), 1);
    writeBytes(tree_.path(QStringLiteral("shared/cover.jpg")), "not a picture");
    addDisc({ QStringLiteral("--number=6"), tree_.path(QStringLiteral("shared")) }, 0);
    EXPECT_EQ(last_.err.count(QStringLiteral("不是图片")), 1) << last_.err.toStdString();
}

// Pages another command would refuse to read are not written around: the whole file is refused.
TEST_F(CliAddDisc, ADamagedCatalogueIsRefusedAndLeftAsItWas)
{
    QList<MovieRecord> movies;
    for (int i = 1; i <= 400; ++i)
        movies << movieWith(
            { { MovieField::ID, i }, { MovieField::MovieName, QStringLiteral("片名%1").arg(i) },
                { MovieField::PS, QString(300, u'简') }, { MovieField::DiskNum, 1 } });
    home_.addDisc(QStringLiteral("1"));
    ASSERT_TRUE(Catalogue(home_.folder().catalogueFile()).addMovies(movies));
    QByteArray bytes = readBytes(home_.folder().catalogueFile());
    for (qsizetype i = 19 * 4096; i < 19 * 4096 + 64; ++i)
        bytes[i] = char(0xFF);
    writeBytes(home_.folder().catalogueFile(), bytes);

    addDisc({ QStringLiteral("--number=77"), tree_.path() }, 1);
    EXPECT_TRUE(last_.err.contains(QStringLiteral("已损坏"))) << last_.err.toStdString();
    EXPECT_EQ(readBytes(home_.folder().catalogueFile()), bytes);
}

// The commands go by the shipped settings then, as the window does; the user must hear why.
TEST_F(CliAddDisc, ASettingsFileTooLargeToReadIsSaidBeforeItsDefaultsAreUsed)
{
    writeBytes(home_.folder().settingsFile(),
        "[ReelShelfIndex1.02]\r\nRidofCD=0\r\nAutoSelect=0\r\nNote=" + QByteArray(1100 * 1024, 'x') + "\r\n");
    addDisc({ QStringLiteral("--number=30"), tree_.path() }, 0);
    EXPECT_TRUE(last_.err.contains(QDir::toNativeSeparators(home_.folder().settingsFile())))
        << last_.err.toStdString();
    EXPECT_TRUE(last_.err.contains(QStringLiteral("默认设置"))) << last_.err.toStdString();
}
