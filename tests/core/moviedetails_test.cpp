#include "browse/moviedetails.h"
#include "store/datafolder.h"
#include "testsupport.h"

#include <gtest/gtest.h>

namespace {

MovieRow rowWith(std::initializer_list<std::pair<int, QString>> cells)
{
    MovieRow::Cells row;
    for (const auto& [column, text] : cells)
        row[size_t(column)] = text;
    return MovieRow(row);
}

QList<int> genresOf(const TestHome& home, const QString& list)
{
    return checkedBoxes(Details::forRow(rowWith({ { ListCol::Type, list } }), home.folder()).genres);
}

} // namespace

TEST(Details, GenreBoxesFollowTheGenreList)
{
    const TestHome home;
    EXPECT_EQ(genresOf(home, QStringLiteral("西部/爱情/喜剧")), (QList<int> { 0, 11, 17 }));
    EXPECT_EQ(genresOf(home, QStringLiteral("动作")), QList<int> { 1 });
    EXPECT_EQ(genresOf(home, QStringLiteral("科幻/魔幻")), (QList<int> { 6, 7 }));
    // The editor's "幻想" has no box of its own here; "魔幻" is box 7.
    EXPECT_EQ(genresOf(home, QStringLiteral("幻想")), QList<int> {});
    EXPECT_EQ(genresOf(home, QStringLiteral("魔幻")), QList<int> { 7 });
    EXPECT_EQ(genresOf(home, QStringLiteral("惊秫/剧情")), (QList<int> { 4, 10 }));
    EXPECT_EQ(genresOf(home, QString()), QList<int> {});
    EXPECT_EQ(genresOf(home, QStringLiteral("剧")), QList<int> {});
}

TEST(Details, SubtitleBoxesFollowTheSubtitleList)
{
    const TestHome home;
    const auto subtitles = [&](const QString& list) {
        return checkedBoxes(
            Details::forRow(rowWith({ { ListCol::SubTitile, list } }), home.folder()).subtitles);
    };
    EXPECT_EQ(subtitles(QStringLiteral("中文/英文")), (QList<int> { 0, 1 }));
    EXPECT_EQ(subtitles(QStringLiteral("日语/朝语/俄语")), (QList<int> { 4, 5, 6 }));
    EXPECT_EQ(subtitles(QStringLiteral("其它")), QList<int> { 7 });
    EXPECT_EQ(subtitles(QStringLiteral("英语")), QList<int> {});
}

TEST(Details, SeenMarkIsExactLowerCase)
{
    const TestHome home;
    const auto seen = [&](const QString& text) {
        return Details::forRow(rowWith({ { ListCol::Seen, text } }), home.folder()).seen;
    };
    EXPECT_EQ(seen(QStringLiteral("yes")), MovieDetails::Seen::Yes);
    EXPECT_EQ(seen(QStringLiteral("no")), MovieDetails::Seen::No);
    EXPECT_EQ(seen(QStringLiteral(" yes ")), MovieDetails::Seen::Yes);
    EXPECT_EQ(seen(QString()), MovieDetails::Seen::Unknown);
    EXPECT_EQ(seen(QStringLiteral("Yes")), MovieDetails::Seen::Unknown);
}

TEST(Details, StarsForTheScore)
{
    const TestHome home;
    const auto stars = [&](const QString& score) {
        return Details::forRow(rowWith({ { ListCol::Score, score } }), home.folder()).litStars;
    };
    EXPECT_EQ(stars(QStringLiteral("0")), 0);
    EXPECT_EQ(stars(QStringLiteral("10")), 10);
    EXPECT_EQ(stars(QStringLiteral("7.5")), 7);
    EXPECT_EQ(stars(QStringLiteral("8")), 8);
    EXPECT_EQ(stars(QStringLiteral("很好")), 0);
    EXPECT_EQ(stars(QString()), 0);
    EXPECT_EQ(stars(QStringLiteral("15")), 10);
    EXPECT_EQ(stars(QStringLiteral("-3")), 0);
}

TEST(Details, PosterOfTheMovieOrTheDefault)
{
    TestHome home;
    home.writePicture(QStringLiteral("Posters/12.jpg"), 40, 60);
    const DataFolder f = home.folder();
    EXPECT_EQ(Details::forRow(rowWith({ { ListCol::ID, QStringLiteral("12") } }), f).posterPath,
        f.path() + QStringLiteral("/Posters/12.jpg"));
    EXPECT_EQ(
        Details::forRow(rowWith({ { ListCol::ID, QStringLiteral("13") } }), f).posterPath, f.defaultPoster());
    EXPECT_EQ(Details::forRow(rowWith({}), f).posterPath, f.defaultPoster());
    EXPECT_EQ(f.defaultPoster(), f.path() + QStringLiteral("/Posters/00.jpg"));
}

TEST(Details, CompanyLogoWhenItsPictureExists)
{
    TestHome home;
    home.writePicture(QStringLiteral("Compics/华纳.jpg"), 30, 20);
    home.writePicture(QStringLiteral("Posters/12.jpg"), 30, 20);
    const DataFolder f = home.folder();
    const auto logo = [&](const QString& company) {
        return Details::forRow(rowWith({ { ListCol::Company, company } }), f).logoPath;
    };
    EXPECT_EQ(logo(QStringLiteral("华纳 ")), f.path() + QStringLiteral("/Compics/华纳.jpg"));
    EXPECT_TRUE(logo(QStringLiteral("派拉蒙")).isEmpty());
    EXPECT_TRUE(logo(QString()).isEmpty());
    // A company name never reaches a picture outside the logo folder.
    EXPECT_TRUE(logo(QStringLiteral("../Posters/12")).isEmpty());
    EXPECT_TRUE(logo(QStringLiteral("..")).isEmpty());
}

TEST(Details, SummaryOfAnEmptyRowIsTheHeadingsAlone)
{
    const TestHome home;
    const QString expected
        = QStringLiteral("【片    名】\r\n【译    名】\r\n【年    代】\r\n【出品公司】\r\n【国    家】\r\n"
                         "【类    别】\r\n【语    言】\r\n【字    幕】\r\n【文件格式】\r\n"
                         "【清 晰 度】\r\n【规    格】\r\n【片    长】\r\n【导    演】\r\n"
                         "【主    演】\r\n【影片简介】");
    const MovieDetails d = Details::forRow(MovieRow {}, home.folder());
    EXPECT_EQ(d.summary, expected);
    for (const QString& box : d.boxes)
        EXPECT_TRUE(box.isEmpty());
    EXPECT_EQ(d.litStars, 0);
    EXPECT_EQ(d.seen, MovieDetails::Seen::Unknown);
}

TEST(Details, BoxesAndSummaryTakeTheirColumns)
{
    const TestHome home;
    const MovieRow row = rowWith(
        { { ListCol::MovieName, QStringLiteral(" 英雄 ") }, { ListCol::Year, QStringLiteral("2002") },
            { ListCol::FileType, QStringLiteral("rmvb") }, { ListCol::Type, QStringLiteral("动作/历史") },
            { ListCol::Audio, QStringLiteral("国语") }, { ListCol::SubTitile, QStringLiteral("中文") },
            { ListCol::Definition, QStringLiteral("DVD") }, { ListCol::MovieSize, QStringLiteral("700MB") },
            { ListCol::FileNum, QStringLiteral("2") }, { ListCol::EngName, QStringLiteral("Hero") },
            { ListCol::Direct, QStringLiteral("张艺谋") }, { ListCol::Role, QStringLiteral("李连杰") },
            { ListCol::Company, QStringLiteral("新画面") }, { ListCol::Lastfor, QStringLiteral("99 Mins") },
            { ListCol::PS, QStringLiteral("秦王") }, { ListCol::ID, QStringLiteral("4") },
            { ListCol::Nation, QStringLiteral("中国") }, { ListCol::DiskNum, QStringLiteral("12") },
            { ListCol::Score, QStringLiteral("8") }, { ListCol::Seen, QStringLiteral("no") } });
    const MovieDetails d = Details::forRow(row, home.folder());
    const std::array<QString, 14> boxes = { QStringLiteral("12"), QStringLiteral("rmvb"), QStringLiteral("2"),
        QStringLiteral("Hero"), QStringLiteral("张艺谋"), QStringLiteral("李连杰"), QStringLiteral("99 Mins"),
        QStringLiteral("国语"), QStringLiteral("700MB"), QStringLiteral("英雄"), QStringLiteral("2002"),
        QStringLiteral("DVD"), QStringLiteral("中国"), QStringLiteral("新画面") };
    EXPECT_EQ(d.boxes, boxes);
    EXPECT_EQ(d.summary,
        QStringLiteral("【片    名】英雄\r\n【译    名】Hero\r\n【年    代】2002\r\n【出品公司】新画面\r\n"
                       "【国    家】中国\r\n【类    别】动作/历史\r\n【语    言】国语\r\n【字    幕】中文\r\n"
                       "【文件格式】rmvb\r\n【清 晰 度】DVD\r\n【规    格】700MB\r\n【片    长】99 Mins\r\n"
                       "【导    演】张艺谋\r\n【主    演】李连杰\r\n【影片简介】秦王"));
}
