#include "wizardcommitfixture.h"

using TextRules::TextEncoding;

TEST_F(WizardCommitTest, ChecksComeInTheWizardsOrderAndStoreNothing)
{
    home_.addDisc(QStringLiteral(" 5 "));
    const QStringList discsBefore = home_.discRows();
    const QList<PreparedRow> one = { row(QStringLiteral("a.avi")) };
    const QString taken = QStringLiteral("已经存在光盘号为5的光盘,请确认您输入的光盘号正确!");
    struct Case
    {
        QString number;
        QString drive;
        qsizetype rows;
        QString message;
    };
    const Case cases[] = {
        { QString(), QStringLiteral("/media/cdrom"), 1, QStringLiteral("未输入碟号或选择驱动器!") },
        { QStringLiteral("   "), QStringLiteral("/media/cdrom"), 1, missingInputMessage },
        { QStringLiteral("6"), QString(), 1, missingInputMessage },
        { QStringLiteral(""), QString(), 0, missingInputMessage },
        { QStringLiteral("5"), QStringLiteral("/media/cdrom"), 1, taken },
        { QStringLiteral(" 5"), QStringLiteral("/media/cdrom"), 0, taken },
        { QStringLiteral("6"), QStringLiteral("/media/cdrom"), 0,
            QStringLiteral("预备列表中未发现文件!请点击上一步右键添加.") },
        // A malformed number with nothing prepared meets the empty list first.
        { QStringLiteral("abc"), QStringLiteral("/media/cdrom"), 0, emptyListMessage },
        { QStringLiteral("012"), QStringLiteral("/media/cdrom"), 1,
            QStringLiteral("光盘号“012”的写法不规范：光盘号必须是一个不带前导零的普通数字，请改为“12”。") },
        { QStringLiteral("abc"), QStringLiteral("/media/cdrom"), 1,
            QStringLiteral("光盘号“abc”无法使用：光盘号必须是一个不带前导零的普通数字，例如 12。") },
    };
    Catalogue catalogue(home_.folder().catalogueFile());
    for (const Case& c : cases) {
        const Disc disc { c.number, QStringLiteral("名"), QStringLiteral("DVD"), c.drive };
        const auto problem = problemWith(catalogue, disc, c.rows);
        ASSERT_TRUE(problem.has_value()) << c.number.toStdString();
        EXPECT_EQ(*problem, c.message) << c.number.toStdString();
        const Result r = commit(catalogue, home_.folder(), QStringLiteral("1"), disc,
            c.rows == 0 ? QList<PreparedRow>() : one, {}, noFacts);
        EXPECT_FALSE(r.stored);
        EXPECT_EQ(r.error, c.message);
        EXPECT_TRUE(r.movies.isEmpty());
    }
    EXPECT_EQ(home_.discRows(), discsBefore);
    EXPECT_TRUE(movies().isEmpty());
    EXPECT_FALSE(
        problemWith(catalogue, { QStringLiteral(" 6 "), {}, {}, QStringLiteral("D:\\") }, 1).has_value());
}

TEST_F(WizardCommitTest, PreparedRowTrimsNameAndExtensionButNotTheFolder)
{
    CandidateRow c;
    c.fileName = QStringLiteral("  Film.avi ");
    c.sizeText = QStringLiteral("700MB");
    c.folder = QStringLiteral("/media/cd/Film ");
    c.extension = QStringLiteral(" avi ");
    c.foundName = QStringLiteral("Film CD1.avi");
    const PreparedRow p = preparedRow(c);
    EXPECT_EQ(p.name, QStringLiteral("Film.avi"));
    EXPECT_EQ(p.sizeText, QStringLiteral("700MB"));
    EXPECT_EQ(p.folder, QStringLiteral("/media/cd/Film "));
    EXPECT_EQ(p.extension, QStringLiteral("avi"));
    EXPECT_EQ(p.foundName, QStringLiteral("Film CD1.avi"));
}

TEST_F(WizardCommitTest, DiscAndMoviesAreStoredInListOrderAfterTheLargestNumber)
{
    home_.addDisc(QStringLiteral("1"));
    for (double id : { 3.0, 10.0, 7.0 })
        home_.addMovie(id, QStringLiteral("旧片"), 1);
    const QList<PreparedRow> rows = { row(QStringLiteral("Film.avi.part.avi"), QStringLiteral("1399MB")),
        row(QStringLiteral("sub/Short.rmvb"), QStringLiteral("512KB")), row(QStringLiteral("sub/NoDot")) };
    Catalogue catalogue(home_.folder().catalogueFile());
    const Disc disc { QStringLiteral(" 12 "), QStringLiteral(" 新片 "), QStringLiteral("DVD"),
        QStringLiteral("E:\\") };
    const Result r = commit(catalogue, home_.folder(), QStringLiteral("1"), disc, rows, {}, noFacts);
    ASSERT_TRUE(r.stored) << r.error.toStdString();
    EXPECT_TRUE(r.warnings.isEmpty()) << r.warnings.join(u'\n').toStdString();

    // Number trimmed, kind with its blank, the name as typed; the disc comes before its movies.
    EXPECT_EQ(home_.discRows(),
        QStringList({ QStringLiteral("1|-|DVD |-|-|-"), QStringLiteral("12| 新片 |DVD |-|-|-") }));
    EXPECT_EQ(home_.movieIds(), QList<double>({ 3, 10, 7, 11, 12, 13 }));
    const QList<MovieRecord> stored = movies().mid(3);
    ASSERT_EQ(stored.size(), 3);
    const QStringList expected[] = {
        { QStringLiteral("Film.part.avi"), QStringLiteral("1399MB"), QStringLiteral("avi") },
        { QStringLiteral("Short"), QStringLiteral("0.5MB"), QStringLiteral("rmvb") },
        { QStringLiteral("NoDot"), QStringLiteral("700MB"), QStringLiteral("NoDot") },
    };
    for (int i = 0; i < 3; ++i) {
        const MovieRecord& m = stored[i];
        EXPECT_EQ(QStringList({ m[MovieField::MovieName].toString(), m[MovieField::MovieSize].toString(),
                      m[MovieField::Filetype].toString() }),
            expected[i]);
        EXPECT_EQ(m[MovieField::DiskNum].toDouble(), 12);
        for (MovieField f : { MovieField::Year, MovieField::PS, MovieField::Score, MovieField::Seen })
            EXPECT_TRUE(m[f].isNull()) << movieFieldName(f).toStdString();
        EXPECT_EQ(r.movies[i][MovieField::ID], m[MovieField::ID]);
    }
    // Numbers, so that the disc's listing and its deletion find the movies.
    RawDb raw(home_.folder().catalogueFile());
    EXPECT_EQ(raw.rows(QStringLiteral("SELECT DISTINCT typeof(ID), typeof(DiskNum) FROM ReelShelfIndex")),
        QStringList({ QStringLiteral("real|real") }));

    const Result again = commit(catalogue, home_.folder(), QStringLiteral("1"), disc, rows, {}, noFacts);
    EXPECT_EQ(again.error, DiscNumbers::takenMessage(QStringLiteral("12")));
    EXPECT_EQ(home_.movieIds().size(), 6);
}

TEST_F(WizardCommitTest, PosterIsTheLargestPictureBesideTheFileOrTheOneNamedLikeIt)
{
    writeJpeg(tree_.path(QStringLiteral("a/a.jpg")), 10 * 1024, Qt::red);
    const QByteArray b = writeJpeg(tree_.path(QStringLiteral("a/b.jpg")), 50 * 1024, Qt::green);
    writeJpeg(tree_.path(QStringLiteral("a/sub/huge.jpg")), 90 * 1024, Qt::gray); // subfolders do not count
    const QByteArray x = writeJpeg(tree_.path(QStringLiteral("b/x.jpg")), 20 * 1024, Qt::blue);
    writeJpeg(tree_.path(QStringLiteral("b/y.jpg")), 20 * 1024, Qt::yellow);
    writeJpeg(tree_.path(QStringLiteral("c/big.jpg")), 80 * 1024, Qt::cyan);
    const QByteArray own = writeJpeg(tree_.path(QStringLiteral("c/Movie.JPG")), 10 * 1024, Qt::magenta);
    tree_.file(QStringLiteral("d/empty.jpg"), 0);
    const QByteArray defaultPoster = readBytes(home_.folder().defaultPoster());
    // A poster a deleted movie left under the number the fourth movie gets.
    writeBytes(poster(4), "old poster");

    const Result r = commitRows({ row(QStringLiteral("a/Film.avi")), row(QStringLiteral("b/Film.avi")),
        row(QStringLiteral("c/Movie.avi")), row(QStringLiteral("d/Film.avi")) });
    ASSERT_TRUE(r.stored) << r.error.toStdString();
    EXPECT_TRUE(r.warnings.isEmpty()) << r.warnings.join(u'\n').toStdString();
    EXPECT_EQ(readBytes(poster(1)), b);
    EXPECT_EQ(readBytes(poster(2)), x);
    EXPECT_EQ(readBytes(poster(3)), own);
    EXPECT_FALSE(QFileInfo::exists(poster(4)));
    EXPECT_EQ(readBytes(home_.folder().defaultPoster()), defaultPoster);
}

TEST_F(WizardCommitTest, DescriptionFieldsInGbkAndUtf8)
{
    struct Case
    {
        const char* what;
        TextEncoding encoding;
        QString text;
        QList<std::pair<MovieField, QVariant>> fields;
    };
    const Case cases[] = {
        { "circle family in GBK", TextEncoding::Gb18030,
            QStringLiteral("◎译　　名　无间道\n"
                           "◎片　　名　Infernal Affairs \n"
                           "◎年　　代　2002年\n"
                           "◎国　　家　中国香港\n"
                           "◎类　　别　剧情/爱情/战争\n"
                           "◎语　　言　粤语\n"
                           "◎字　　幕　中文/英文\n"
                           "◎IMDB评分　7.5/10 from 1,000 users\n"
                           "◎文件格式　XviD + MP3\n"
                           "◎文件大小　700MB\n"
                           "◎片　　长　101 Mins\n"
                           "◎导　　演　刘伟强 / 麦兆辉\n"
                           "◎主　　演　刘德华\n"
                           "　　　　　　梁朝伟\n"
                           "◎制作公司　寰亚电影\n"
                           "◎简　　介　\n"
                           "　　卧底的故事。\n"),
            {
                { MovieField::EngName, QStringLiteral("Infernal Affairs ") },
                { MovieField::Year, QStringLiteral("2002年") },
                { MovieField::Nation, QStringLiteral("中国香港") },
                { MovieField::Type, QStringLiteral("剧情/爱情/战争") },
                { MovieField::Audio, QStringLiteral("粤语") },
                { MovieField::SubTitile, QStringLiteral("中文/英文") },
                { MovieField::Score, 7.5 },
                { MovieField::Lastfor, 101.0 },
                { MovieField::Direct, QStringLiteral("刘伟强 / 麦兆辉") },
                { MovieField::Role, QStringLiteral("刘德华\r\n　　　　　　梁朝伟\r\n") },
                { MovieField::Company, QStringLiteral("寰亚电影\r\n") },
                { MovieField::PS, QStringLiteral("◎简　　介　\r\n　　卧底的故事。\r\n") },
            } },
        { "diamond family in UTF-8", TextEncoding::Utf8,
            QStringLiteral("◆译　　名　英雄\n"
                           "◆原　　名　Hero\n"
                           "◆上　　映　2002\n"
                           "◆国　　家　中国\n"
                           "◆类　　型　动作 / 武侠\n"
                           "◆语　　言　普通话\n"
                           "◆字　　幕　中文\n"
                           "◆评　　分　8.1 / 10\n"
                           "◆片　　长　99分钟\n"
                           "◆导　　演　张艺谋\n"
                           "◆演　　员　李连杰\n"
                           "　　　　　　梁朝伟\n"
                           "◆内容简介　\n"
                           "　　刺客的故事。\n"),
            {
                { MovieField::EngName, QStringLiteral("Hero") },
                { MovieField::Year, QStringLiteral("2002") },
                { MovieField::Nation, QStringLiteral("中国") },
                { MovieField::Type, QStringLiteral("动作 / 武侠") },
                { MovieField::Audio, QStringLiteral("普通话") },
                { MovieField::SubTitile, QStringLiteral("中文") },
                { MovieField::Score, 8.1 },
                { MovieField::Lastfor, 99.0 },
                { MovieField::Direct, QStringLiteral("张艺谋") },
                { MovieField::Role, QStringLiteral("李连杰\r\n　　　　　　梁朝伟\r\n") },
                { MovieField::PS, QStringLiteral("◆内容简介　\r\n　　刺客的故事。\r\n") },
            } },
    };
    QList<PreparedRow> rows;
    for (const Case& c : cases) {
        const QString dir = QString::fromLatin1(c.what).replace(u' ', u'_');
        writeBytes(tree_.path(dir + QStringLiteral("/Film.txt")), TextRules::encodeText(c.text, c.encoding));
        // Larger, but the text named after the movie file is the one that belongs to it.
        writeBytes(tree_.path(dir + QStringLiteral("/readme.txt")), QByteArray(8000, 'x'));
        rows << row(dir + QStringLiteral("/Film.avi"));
    }
    const Result r = commitRows(rows);
    ASSERT_TRUE(r.stored) << r.error.toStdString();
    const QList<MovieRecord> stored = movies();
    ASSERT_EQ(stored.size(), 2);
    for (int i = 0; i < 2; ++i) {
        const Case& c = cases[i];
        MovieRecord expected;
        for (const auto& [field, value] : c.fields)
            expected[field] = value;
        // The row decides the title and the format, whatever the text says.
        expected[MovieField::MovieName] = QStringLiteral("Film");
        expected[MovieField::Filetype] = QStringLiteral("avi");
        expected[MovieField::MovieSize] = QStringLiteral("700MB");
        expected[MovieField::ID] = double(i + 1);
        expected[MovieField::DiskNum] = 12.0;
        for (int f = 0; f < MovieFieldCount; ++f) {
            const QVariant& want = expected.values[size_t(f)];
            const QVariant& got = stored[i].values[size_t(f)];
            const std::string where
                = std::string(c.what) + ": " + movieFieldName(MovieField(f)).toStdString();
            EXPECT_EQ(got.isNull(), want.isNull()) << where;
            if (want.typeId() == QMetaType::Double) {
                EXPECT_EQ(got.toDouble(), want.toDouble()) << where;
            } else if (!want.isNull()) {
                EXPECT_EQ(got.toString(), want.toString()) << where;
            }
        }
    }
}

TEST_F(WizardCommitTest, SettingDecidesWhatTheTextGives)
{
    const QString labelled = QStringLiteral("◎片　　名　Hero\n◎年　　代　2002\n");
    const QString plain = QStringLiteral("一部好电影。\n第二行\n");
    struct Case
    {
        QString magicSelect4V;
        QString text;
        QVariant engName;
        QVariant ps;
    };
    const Case cases[] = {
        { QStringLiteral("1"), labelled, QStringLiteral("Hero"), QVariant() },
        { QStringLiteral("0"), labelled, QVariant(),
            QStringLiteral("◎片　　名　Hero\r\n◎年　　代　2002\r\n") },
        { QString(), labelled, QVariant(), QStringLiteral("◎片　　名　Hero\r\n◎年　　代　2002\r\n") },
        { QStringLiteral("2"), labelled, QVariant(), QVariant() },
        { QStringLiteral("1"), plain, QVariant(), QStringLiteral("一部好电影。\r\n第二行\r\n") },
        { QStringLiteral("0"), plain, QVariant(), QStringLiteral("一部好电影。\r\n第二行\r\n") },
    };
    int number = 1;
    for (const Case& c : cases) {
        const QString dir = QStringLiteral("case%1").arg(number);
        writeBytes(tree_.path(dir + QStringLiteral("/intro.txt")), c.text.toUtf8());
        const Result r = commitRows(
            { row(dir + QStringLiteral("/Film.avi")) }, QString::number(number), c.magicSelect4V);
        ASSERT_TRUE(r.stored) << r.error.toStdString();
        const MovieRecord m = movies().last();
        EXPECT_EQ(shown(m[MovieField::EngName]), shown(c.engName)) << number;
        EXPECT_EQ(shown(m[MovieField::PS]), shown(c.ps)) << number;
        EXPECT_EQ(m[MovieField::Year].isNull(), c.engName.isNull()) << number;
        ++number;
    }
}

TEST_F(WizardCommitTest, CastAtTheEndAndScoresOutsideTheStars)
{
    struct Case
    {
        QString text;
        QVariant role;
        QVariant score;
    };
    const Case cases[] = {
        // The cast runs to the end of the text rather than coming out empty.
        { QStringLiteral("◎IMDB评分　10/10\n◎主　　演　刘德华\n　　　　　　梁朝伟\n"),
            QStringLiteral("刘德华\r\n　　　　　　梁朝伟\r\n"), 10.0 },
        { QStringLiteral("◎IMDB评分　15/10\n"), QVariant(), QVariant() },
        { QStringLiteral("◆评　　分　-1\n"), QVariant(), QVariant() },
        { QStringLiteral("◆评　　分　0\n"), QVariant(), 0.0 },
    };
    int number = 1;
    for (const Case& c : cases) {
        const QString dir = QStringLiteral("case%1").arg(number);
        writeBytes(tree_.path(dir + QStringLiteral("/intro.txt")), c.text.toUtf8());
        const Result r = commitRows({ row(dir + QStringLiteral("/Film.avi")) }, QString::number(number));
        ASSERT_TRUE(r.stored) << r.error.toStdString();
        const MovieRecord m = movies().last();
        EXPECT_EQ(shown(m[MovieField::Role]), shown(c.role)) << number;
        EXPECT_EQ(shown(m[MovieField::Score]), shown(c.score)) << number;
        ++number;
    }
}

TEST_F(WizardCommitTest, FailedTransactionLeavesCatalogueAndPostersAsTheyWere)
{
    home_.exec(
        QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON ReelShelfIndex WHEN NEW.MovieName = 'boom' "
                       "BEGIN SELECT RAISE(ABORT, 'refused by trigger'); END"));
    writeJpeg(tree_.path(QStringLiteral("good/cover.jpg")), 4096, Qt::red);
    writeBytes(poster(1), "poster of a deleted movie 1");
    writeBytes(poster(2), "poster of a deleted movie 2");
    const QStringList before = postersState(home_.folder());

    const Result r
        = commitRows({ row(QStringLiteral("good/Good.avi")), row(QStringLiteral("bad/boom.avi")) });
    EXPECT_FALSE(r.stored);
    EXPECT_TRUE(r.error.contains(QStringLiteral("refused by trigger"))) << r.error.toStdString();
    EXPECT_TRUE(r.movies.isEmpty());
    EXPECT_TRUE(home_.discRows().isEmpty());
    EXPECT_TRUE(movies().isEmpty());
    EXPECT_EQ(postersState(home_.folder()), before);
}

TEST_F(WizardCommitTest, NumberAndDiscAreCheckedInsideTheWriteAgainstAnotherProgramsAdds)
{
    home_.addMovie(4, QStringLiteral("旧片"), 1);
    const QList<PreparedRow> rows = { row(QStringLiteral("One.avi")), row(QStringLiteral("Two.avi")) };
    // Another program adds a movie while the texts are read: ours are numbered after it.
    const Result r = commitRows(rows, QStringLiteral("12"), QStringLiteral("1"), [&](int done, int) {
        if (done == 1)
            home_.addMovie(6, QStringLiteral("别的程序加的"), 2);
        return true;
    });
    ASSERT_TRUE(r.stored) << r.error.toStdString();
    EXPECT_EQ(home_.movieIds(), QList<double>({ 4, 6, 7, 8 }));
    ASSERT_EQ(r.movies.size(), 2);
    EXPECT_EQ(r.movies[0][MovieField::ID].toDouble(), 7);

    // Another program adds the same disc number meanwhile: the disc is not stored twice.
    const Result twice = commitRows(rows, QStringLiteral("13"), QStringLiteral("1"), [&](int done, int) {
        if (done == 1)
            home_.addDisc(QStringLiteral("13"));
        return true;
    });
    EXPECT_FALSE(twice.stored);
    EXPECT_EQ(twice.error, DiscNumbers::takenMessage(QStringLiteral("13")));
    EXPECT_EQ(home_.discRows(),
        QStringList({ QStringLiteral("12|-|DVD |-|-|-"), QStringLiteral("13|-|DVD |-|-|-") }));
    EXPECT_EQ(home_.movieIds(), QList<double>({ 4, 6, 7, 8 }));
}

TEST_F(WizardCommitTest, LockedCatalogueGivesUpWithinSecondsAndStoresNothing)
{
    const QList<PreparedRow> rows = { row(QStringLiteral("Film.avi")) };
    // Another program reading (the commit cannot finish), writing (readers still pass), or
    // holding the file for itself.
    const QStringList locks[]
        = { { QStringLiteral("BEGIN"), QStringLiteral("SELECT count(*) FROM DiskState") },
              { QStringLiteral("BEGIN IMMEDIATE") }, { QStringLiteral("BEGIN EXCLUSIVE") } };
    for (const QStringList& statements : locks) {
        const QString lock = statements.join(u"; ");
        RawDb other(home_.folder().catalogueFile());
        for (const QString& sql : statements)
            other.exec(sql);
        QElapsedTimer clock;
        clock.start();
        const Result r = commitRows(rows);
        const qint64 waited = clock.elapsed();
        other.exec(QStringLiteral("ROLLBACK"));
        other.close();
        EXPECT_FALSE(r.stored) << lock.toStdString();
        EXPECT_TRUE(r.error.contains(QStringLiteral("正被其他程序锁定"))) << r.error.toStdString();
        EXPECT_LT(waited, 10000) << lock.toStdString();
    }
    EXPECT_TRUE(home_.discRows().isEmpty());
    EXPECT_TRUE(movies().isEmpty());
}

TEST_F(WizardCommitTest, PosterThatCannotBeCopiedIsAWarningAfterTheMoviesAreStored)
{
    writeBytes(tree_.path(QStringLiteral("a/cover.jpg")), "not a picture at all");
    const Result notAPicture = commitRows({ row(QStringLiteral("a/Film.avi")) }, QStringLiteral("1"));
    ASSERT_TRUE(notAPicture.stored) << notAPicture.error.toStdString();
    EXPECT_EQ(notAPicture.warnings,
        QStringList({ QStringLiteral("文件 %1 不是图片,不能作为海报。")
                          .arg(tree_.path(QStringLiteral("a/cover.jpg"))) }));
    EXPECT_FALSE(QFileInfo::exists(poster(1)));
}

// As with texts: a picture named after the movie that is no picture gives way to the largest one
// that is, and is named once.
TEST_F(WizardCommitTest, ANamedFileThatIsNoPictureGivesWayToTheLargestPicture)
{
    writeBytes(tree_.path(QStringLiteral("a/Film.jpg")), QByteArray(20000, 'x'));
    const QByteArray cover = writeJpeg(tree_.path(QStringLiteral("a/cover.jpg")), 4096, Qt::red);
    const Result r = commitRows({ row(QStringLiteral("a/Film.avi")) }, QStringLiteral("1"));
    ASSERT_TRUE(r.stored) << r.error.toStdString();
    EXPECT_EQ(r.warnings,
        QStringList({ QStringLiteral("文件 %1 不是图片,不能作为海报。")
                          .arg(tree_.path(QStringLiteral("a/Film.jpg"))) }));
    EXPECT_EQ(readBytes(poster(1)), cover);
}

TEST_F(WizardCommitTest, APostersFolderThatCannotBeWrittenStoresNothing)
{
    // Every poster would fail: the user mends the folder (or frees the disk) and adds the disc
    // again, rather than mending hundreds of movies one by one afterwards.
    writeJpeg(tree_.path(QStringLiteral("b/cover.jpg")), 4096, Qt::red);
    ASSERT_TRUE(QDir(home_.folder().postersDir()).removeRecursively());
    writeBytes(home_.folder().postersDir(), "in the way");
    const Result noFolder = commitRows({ row(QStringLiteral("b/Film.avi")) }, QStringLiteral("2"));
    EXPECT_FALSE(noFolder.stored);
    EXPECT_EQ(noFolder.error,
        QStringLiteral("无法在海报文件夹 %1 中写入（该位置被其他文件或文件夹占用），没有添加任何光盘或影片。"
                       "请处理后重新添加。")
            .arg(home_.folder().postersDir()));
    EXPECT_TRUE(home_.discRows().isEmpty());
    EXPECT_TRUE(movies().isEmpty());
    EXPECT_EQ(readBytes(home_.folder().postersDir()), QByteArray("in the way"));
}

TEST_F(WizardCommitTest, CancelWhileReadingStoresNothing)
{
    writeJpeg(tree_.path(QStringLiteral("a/cover.jpg")), 4096, Qt::red);
    const QList<PreparedRow> rows = { row(QStringLiteral("a/One.avi")), row(QStringLiteral("b/Two.avi")) };
    QList<std::pair<int, int>> calls;
    const Result cancelled
        = commitRows(rows, QStringLiteral("12"), QStringLiteral("1"), [&](int done, int total) {
              calls.append({ done, total });
              return done < 1;
          });
    EXPECT_FALSE(cancelled.stored);
    EXPECT_EQ(cancelled.error, cancelledMessage);
    EXPECT_TRUE(home_.discRows().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(poster(1)));

    calls.clear();
    const Result done = commitRows(rows, QStringLiteral("12"), QStringLiteral("1"), [&](int n, int total) {
        calls.append({ n, total });
        return true;
    });
    EXPECT_TRUE(done.stored);
    EXPECT_EQ(calls, (QList<std::pair<int, int>> { { 0, 2 }, { 1, 2 }, { 2, 2 } }));
}

TEST_F(WizardCommitTest, APictureThatCannotBeCopiedLeavesNoStrangersPosterAndIsNamedOnce)
{
    // Three movies share one folder whose only picture is no picture; a deleted movie left its
    // poster under the first number they get.
    writeBytes(tree_.path(QStringLiteral("a/cover.jpg")), "not a picture at all");
    writeBytes(poster(1), "poster of a deleted movie");
    const Result r = commitRows({ row(QStringLiteral("a/One.avi")), row(QStringLiteral("a/Two.avi")),
        row(QStringLiteral("a/Three.avi")) });
    ASSERT_TRUE(r.stored) << r.error.toStdString();
    EXPECT_FALSE(QFileInfo::exists(poster(1)));
    EXPECT_EQ(r.warnings,
        QStringList({ QStringLiteral("文件 %1 不是图片,不能作为海报。")
                          .arg(tree_.path(QStringLiteral("a/cover.jpg"))) }));
    // The deleted movie's poster is not lost: it waits under Backups/Replaced-<stamp>/Posters.
    EXPECT_EQ(keptPoster(QStringLiteral("1.jpg")), QByteArray("poster of a deleted movie"));
}

TEST_F(WizardCommitTest, ALeftoverPosterThatCannotBeKeptAsideStopsTheDiscWithNothingStored)
{
    // A file named Backups where the folder should be: the deleted movie's poster could neither
    // go nor stay without being shown with the new movie, so nothing is stored.
    writeBytes(home_.path() + QStringLiteral("/Backups"), "a file, not a folder");
    writeBytes(poster(1), "poster of a deleted movie");
    const Result r = commitRows({ row(QStringLiteral("One.avi")) });
    EXPECT_FALSE(r.stored);
    EXPECT_TRUE(
        r.error.startsWith(QStringLiteral("无法把 %1 移到 ").arg(QDir::toNativeSeparators(poster(1)))))
        << r.error.toStdString();
    EXPECT_TRUE(r.error.endsWith(QStringLiteral("没有做任何改动。请处理后重试。")));
    EXPECT_TRUE(home_.discRows().isEmpty());
    EXPECT_EQ(readBytes(poster(1)), QByteArray("poster of a deleted movie"));
}

TEST_F(WizardCommitTest, ALeftoverPosterIsKeptAsideAlsoWhenTheNewMovieBringsItsOwn)
{
    const QByteArray own = writeJpeg(tree_.path(QStringLiteral("A/A.jpg")), 4096, Qt::red);
    writeBytes(poster(1), "poster of a deleted movie");
    const Result r = commitRows({ row(QStringLiteral("A/A.avi")) });
    ASSERT_TRUE(r.stored) << r.error.toStdString();
    EXPECT_EQ(readBytes(poster(1)), own);
    EXPECT_EQ(keptPoster(QStringLiteral("1.jpg")), QByteArray("poster of a deleted movie"));
}

TEST_F(WizardCommitTest, PartsOfTwoMoviesInOneFolderTakeThePictureAndTextOfTheirOwnName)
{
    for (const char* f : { "Alpha CD1.avi", "Alpha CD2.avi", "Beta CD1.avi", "Beta CD2.avi" })
        tree_.file(QStringLiteral("films/") + QString::fromLatin1(f), 1);
    // Beta's picture and text are the larger ones: the largest would go to both movies.
    const QByteArray alpha = writeJpeg(tree_.path(QStringLiteral("films/Alpha.jpg")), 4096, Qt::red);
    const QByteArray beta = writeJpeg(tree_.path(QStringLiteral("films/Beta.jpg")), 8192, Qt::blue);
    writeBytes(tree_.path(QStringLiteral("films/Alpha.txt")), QStringLiteral("◎片　　名　Alpha\n").toUtf8());
    writeBytes(tree_.path(QStringLiteral("films/Beta.txt")),
        QStringLiteral("◎片　　名　Beta\n◎年　　代　2001\n").toUtf8() + QByteArray(2000, ' '));
    home_.writeSetting(Settings::mainSection(), QStringLiteral("AutoSelect"), QStringLiteral("1"));
    home_.writeSetting(Settings::mainSection(), QStringLiteral("EditByHand"), QStringLiteral("1"));
    QString error;
    const auto request = ScanRequest::load(home_.folder(), tree_.path(QStringLiteral("films")), &error);
    ASSERT_TRUE(request) << error.toStdString();
    QList<PreparedRow> rows;
    for (const CandidateRow& c : searchDrive(*request).rows)
        rows << preparedRow(c);
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(ownBaseNames(rows[0]), QStringList({ QStringLiteral("Alpha CD1"), QStringLiteral("Alpha") }));

    const Result r = commitRows(rows);
    ASSERT_TRUE(r.stored) << r.error.toStdString();
    EXPECT_TRUE(r.warnings.isEmpty()) << r.warnings.join(u'\n').toStdString();
    const QList<MovieRecord> stored = movies();
    ASSERT_EQ(stored.size(), 2);
    EXPECT_EQ(stored[0][MovieField::MovieName].toString(), QStringLiteral("Alpha "));
    EXPECT_EQ(stored[0][MovieField::EngName].toString(), QStringLiteral("Alpha"));
    EXPECT_EQ(stored[1][MovieField::EngName].toString(), QStringLiteral("Beta"));
    EXPECT_EQ(readBytes(poster(1)), alpha);
    EXPECT_EQ(readBytes(poster(2)), beta);
}

TEST_F(WizardCommitTest, AFolderNamedInGbkGivesItsTitlePictureAndText)
{
    // Converted here: what encode() returns refers to its encoder, gone at the end of the statement.
    const auto gbk = [](const QString& text) -> QByteArray { return QStringEncoder("GB18030").encode(text); };
    const QByteArray folder = gbk(QStringLiteral("英雄"));
    tree_.rawFile(folder + '/' + gbk(QStringLiteral("英雄.avi")), "x");
    const QString staged = tree_.path(QStringLiteral("cover.jpg"));
    const QByteArray picture = writeJpeg(staged, 4096, Qt::green);
    tree_.rawFile(folder + '/' + gbk(QStringLiteral("英雄.jpg")), picture);
    QFile::remove(staged);
    tree_.rawFile(folder + '/' + gbk(QStringLiteral("英雄.txt")),
        gbk(QStringLiteral("◎片　　名　Hero\r\n◎年　　代　2002\r\n")));
    QString error;
    const auto request = ScanRequest::load(home_.folder(), tree_.path(), &error);
    ASSERT_TRUE(request) << error.toStdString();
    const DriveSearch search = searchDrive(*request);
    ASSERT_EQ(search.rows.size(), 1);
    EXPECT_EQ(search.rows[0].folder, tree_.path(QStringLiteral("英雄")));

    const Result r = commitRows({ preparedRow(search.rows[0]) });
    ASSERT_TRUE(r.stored) << r.error.toStdString();
    EXPECT_TRUE(r.warnings.isEmpty()) << r.warnings.join(u'\n').toStdString();
    const MovieRecord m = movies().value(0);
    EXPECT_EQ(m[MovieField::MovieName].toString(), QStringLiteral("英雄"));
    EXPECT_EQ(m[MovieField::EngName].toString(), QStringLiteral("Hero"));
    EXPECT_EQ(m[MovieField::Year].toString(), QStringLiteral("2002"));
    EXPECT_EQ(readBytes(poster(1)), picture);
}

TEST_F(WizardCommitTest, ARefusedTextIsNamedAndTheNextLargestReadableOneIsTaken)
{
    // The largest text is over the readers' limit; the next one is the description.
    writeBytes(tree_.path(QStringLiteral("a/huge.txt")), QByteArray(5 * 1024 * 1024, 'x'));
    writeBytes(tree_.path(QStringLiteral("a/info.txt")), QStringLiteral("◎片　　名　Hero\n").toUtf8());
    const Result r = commitRows({ row(QStringLiteral("a/One.avi")), row(QStringLiteral("a/Two.avi")) });
    ASSERT_TRUE(r.stored) << r.error.toStdString();
    for (const MovieRecord& m : movies())
        EXPECT_EQ(m[MovieField::EngName].toString(), QStringLiteral("Hero"));
    EXPECT_EQ(r.warnings,
        QStringList({ QStringLiteral("简介文件 %1 太大（超过 4 MB），没有导入。")
                          .arg(tree_.path(QStringLiteral("a/huge.txt"))) }));
}

TEST_F(WizardCommitTest, AFolderGoneSinceTheSearchStoresNothing)
{
    // The medium was taken out (or the folder moved away) between the search and the commit:
    // the movies would be stored without their pictures and texts, and as if all was well.
    const QList<PreparedRow> rows = { row(QStringLiteral("a/One.avi")), row(QStringLiteral("b/Two.avi")) };
    ASSERT_TRUE(QDir(tree_.path(QStringLiteral("b"))).removeRecursively());
    const Result r = commitRows(rows);
    EXPECT_FALSE(r.stored);
    EXPECT_EQ(r.error, folderGoneMessage(tree_.path(QStringLiteral("b"))));
    EXPECT_TRUE(home_.discRows().isEmpty());
    EXPECT_TRUE(movies().isEmpty());
}
