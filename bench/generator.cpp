// reelshelf-gen: fills a data folder with a large, realistic catalogue for the benchmarks, and
// makes folder trees that look like burned discs for the drive scan.
//
//   reelshelf-gen --home DIR [--discs 1000] [--movies 100000] [--posters 200] [--logos 10] [--seed N]
//   reelshelf-gen --tree DIR [--tree-files 50000] [--tree-folders 5000] [--seed N]
//
// The folder is completed as the program itself would complete it (installed defaults, fresh
// catalogue), then every disc and movie goes in through the catalogue store in one transaction.
// The same seed always gives the same catalogue and the same pictures, and the same tree.

#include "treemaker.h"

#include "store/catalogue.h"
#include "store/datafolder.h"
#include "store/records.h"
#include "store/textrules.h"

#include <QColor>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QRandomGenerator>
#include <QStringList>
#include <QTextStream>
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// Word lists the titles, names and summaries are composed from.
const QStringList titleChars = { u"夜"_s, u"城"_s, u"归"_s, u"来"_s, u"风"_s, u"云"_s, u"雨"_s, u"雪"_s,
    u"花"_s, u"月"_s, u"山"_s, u"海"_s, u"龙"_s, u"虎"_s, u"梦"_s, u"心"_s, u"血"_s, u"火"_s, u"天"_s,
    u"情"_s, u"剑"_s, u"刀"_s, u"影"_s, u"光"_s, u"春"_s, u"秋"_s, u"星"_s, u"河"_s, u"门"_s, u"路"_s,
    u"家"_s, u"王"_s, u"狼"_s, u"鹰"_s, u"沙"_s, u"岛"_s };
const QStringList titleWords = { u"英雄"_s, u"江湖"_s, u"传奇"_s, u"故事"_s, u"少年"_s, u"时代"_s, u"战士"_s,
    u"秘密"_s, u"追踪"_s, u"危机"_s, u"风暴"_s, u"黎明"_s, u"黑夜"_s, u"迷城"_s, u"往事"_s, u"旅程"_s,
    u"归途"_s, u"青春"_s, u"爱情"_s, u"天使"_s, u"魔鬼"_s, u"王朝"_s, u"帝国"_s, u"末日"_s, u"幽灵"_s,
    u"侠客"_s, u"警察"_s, u"杀手"_s, u"兄弟"_s, u"姐妹"_s, u"父亲"_s, u"母亲"_s, u"城市"_s, u"海洋"_s,
    u"沙漠"_s, u"森林"_s, u"星空"_s, u"回忆"_s, u"无间"_s, u"功夫"_s, u"大侠"_s, u"风云"_s, u"卧底"_s,
    u"逃亡"_s, u"宝藏"_s, u"复仇"_s };
const QStringList sequels = { u"2"_s, u"3"_s, u"II"_s, u"续集"_s, u"前传"_s, u"终极版"_s };

const QStringList englishAdjectives = { u"Dark"_s, u"Silent"_s, u"Last"_s, u"Lost"_s, u"Golden"_s,
    u"Broken"_s, u"Hidden"_s, u"Red"_s, u"Endless"_s, u"Wild"_s, u"Secret"_s, u"Frozen"_s, u"Burning"_s,
    u"Eternal"_s, u"Crimson"_s, u"Midnight"_s, u"Iron"_s, u"Fallen"_s };
const QStringList englishNouns = { u"City"_s, u"Wind"_s, u"Night"_s, u"Hero"_s, u"River"_s, u"Dragon"_s,
    u"Dream"_s, u"Empire"_s, u"Storm"_s, u"Road"_s, u"Kingdom"_s, u"Shadow"_s, u"Island"_s, u"Sword"_s,
    u"Heart"_s, u"Moon"_s, u"Tiger"_s, u"Ghost"_s, u"Journey"_s, u"Sky"_s };

const QStringList surnames = { u"张"_s, u"王"_s, u"李"_s, u"赵"_s, u"刘"_s, u"陈"_s, u"杨"_s, u"黄"_s,
    u"周"_s, u"吴"_s, u"徐"_s, u"孙"_s, u"马"_s, u"朱"_s, u"胡"_s, u"林"_s, u"郭"_s, u"何"_s, u"高"_s,
    u"罗"_s, u"梁"_s, u"宋"_s, u"郑"_s, u"谢"_s, u"韩"_s, u"唐"_s, u"冯"_s, u"董"_s, u"萧"_s, u"曹"_s,
    u"邓"_s, u"许"_s, u"沈"_s, u"彭"_s, u"苏"_s, u"蒋"_s, u"叶"_s };
const QStringList givenChars = { u"伟"_s, u"芳"_s, u"娜"_s, u"秀"_s, u"英"_s, u"敏"_s, u"静"_s, u"丽"_s,
    u"强"_s, u"磊"_s, u"军"_s, u"洋"_s, u"勇"_s, u"杰"_s, u"涛"_s, u"明"_s, u"超"_s, u"华"_s, u"建"_s,
    u"国"_s, u"志"_s, u"玉"_s, u"梅"_s, u"飞"_s, u"鹏"_s, u"宇"_s, u"浩"_s, u"然"_s, u"轩"_s, u"欣"_s,
    u"晨"_s, u"阳"_s, u"思"_s, u"远"_s, u"嘉"_s, u"怡"_s, u"俊"_s };
const QStringList westernFirst = { u"约翰"_s, u"詹姆斯"_s, u"迈克尔"_s, u"大卫"_s, u"罗伯特"_s, u"彼得"_s,
    u"汤姆"_s, u"乔治"_s, u"史蒂文"_s, u"克里斯托弗"_s, u"安娜"_s, u"玛丽"_s, u"凯特"_s };
const QStringList westernLast
    = { u"史密斯"_s, u"约翰逊"_s, u"威廉姆斯"_s, u"布朗"_s, u"琼斯"_s, u"米勒"_s, u"戴维斯"_s, u"威尔逊"_s,
          u"安德森"_s, u"泰勒"_s, u"汤普森"_s, u"怀特"_s, u"哈里斯"_s, u"马丁"_s, u"克拉克"_s };

const QStringList fileTypes
    = { u"avi"_s, u"rmvb"_s, u"rm"_s, u"mkv"_s, u"mp4"_s, u"mpg"_s, u"ts"_s, u"wmv"_s, u"vob"_s };
const QStringList genres
    = { u"喜剧"_s, u"动作"_s, u"战争"_s, u"恐怖"_s, u"惊秫"_s, u"历史"_s, u"科幻"_s, u"魔幻"_s, u"科教"_s,
          u"动画"_s, u"剧情"_s, u"爱情"_s, u"戏剧"_s, u"记录"_s, u"体育"_s, u"传记"_s, u"成人"_s, u"西部"_s };
const QStringList subtitleLanguages
    = { u"中文"_s, u"英文"_s, u"日语"_s, u"法语"_s, u"德语"_s, u"朝语"_s, u"俄语"_s, u"其它"_s };
const QStringList audios
    = { u"国语"_s, u"粤语"_s, u"英语"_s, u"日语"_s, u"法语"_s, u"国粤双语"_s, u"韩语"_s };
const QStringList definitions
    = { u"DVDRip"_s, u"VCD"_s, u"DVD"_s, u"720P"_s, u"1080P"_s, u"HDTV"_s, u"BDRip"_s, u"TS"_s };
const QStringList frameSizes
    = { u"640x272"_s, u"640x480"_s, u"720x576"_s, u"1280x720"_s, u"1920x1080"_s, u"352x288"_s, u"704x396"_s };
const QStringList nations = { u"中国"_s, u"中国香港"_s, u"中国台湾"_s, u"美国"_s, u"英国"_s, u"法国"_s,
    u"日本"_s, u"韩国"_s, u"德国"_s, u"意大利"_s, u"印度"_s, u"泰国"_s, u"西班牙"_s };
const QStringList companies = { u"华谊兄弟"_s, u"中影集团"_s, u"博纳影业"_s, u"光线传媒"_s, u"邵氏兄弟"_s,
    u"嘉禾"_s, u"寰亚电影"_s, u"英皇电影"_s, u"二十世纪福克斯"_s, u"华纳兄弟"_s, u"派拉蒙"_s, u"环球影业"_s,
    u"哥伦比亚"_s, u"迪士尼"_s, u"梦工厂"_s, u"狮门"_s, u"东宝"_s, u"松竹"_s, u"角川"_s, u"CJ娱乐"_s };

const QStringList discNames
    = { u"动作片"_s, u"喜剧片"_s, u"港片合集"_s, u"经典老片"_s, u"欧美大片"_s, u"日韩电影"_s, u"纪录片"_s,
          u"动画"_s, u"科幻"_s, u"恐怖片"_s, u"武侠"_s, u"爱情片"_s, u"战争片"_s, u"奥斯卡"_s, u"收藏"_s };
const QStringList discKinds = { u"DVD"_s, u"DVD"_s, u"DVD"_s, u"DVD-9"_s, u"CD"_s, u"BD"_s };
const QStringList discNotes
    = { u"朋友送的"_s, u"书房第二层"_s, u"需要重刻"_s, u"2008年刻录"_s, u"盒子有裂痕"_s };

// Pieces of plot summaries; {P} is a person, {C} a place word, {T} a title word.
const QStringList summaryPieces = { u"故事发生在{C}，年轻的{P}意外卷入一场{T}。"_s,
    u"{P}为了寻找失散多年的亲人，踏上了漫长的旅程。"_s, u"影片讲述了{P}与{P}之间跨越三十年的恩怨情仇。"_s,
    u"在一次偶然的机会中，{P}发现了关于{T}的惊人秘密。"_s,
    u"面对强大的敌人，他们必须团结起来，才能守护{C}的和平。"_s,
    u"导演以细腻的镜头语言，描绘了小人物在大时代中的命运沉浮。"_s,
    u"本片曾获多项国际电影节大奖，被誉为同类题材中的经典之作。"_s,
    u"随着调查的深入，{P}逐渐意识到身边的每个人都可能是{T}的幕后黑手。"_s,
    u"一场突如其来的灾难打破了{C}平静的生活。"_s, u"{P}凭借过人的智慧和勇气，一次次化解危机。"_s,
    u"影片节奏紧凑，动作场面火爆，视觉效果令人震撼。"_s, u"这是一个关于爱与牺牲、背叛与救赎的故事。"_s,
    u"多年以后，当{P}再次回到{C}，一切早已物是人非。"_s,
    u"全片在{C}实景拍摄，真实再现了那个年代的风土人情。"_s,
    u"{P}饰演的角色性格复杂，表演层次分明，令人印象深刻。"_s,
    u"在师父{P}的指点下，他终于领悟了{T}的真谛。"_s };
const QStringList placeWords = { u"小镇"_s, u"边城"_s, u"上海滩"_s, u"北平"_s, u"香江"_s, u"江南水乡"_s,
    u"大漠"_s, u"纽约"_s, u"东京"_s, u"巴黎"_s, u"古都"_s, u"海岛"_s };

struct Options
{
    QString home;
    QString tree;
    int treeFiles = 50000;
    int treeFolders = 5000;
    int discs = 1000;
    int movies = 100000;
    int posters = 200;
    int logos = 10;
    quint32 seed = 20070101;
};

// Composes every random text from one seeded generator, so a seed fixes the whole catalogue.
class CatalogueMaker
{
public:
    explicit CatalogueMaker(quint32 seed)
        : random_(seed)
    {
    }

    int below(int n) { return int(random_.bounded(n)); }
    int between(int low, int high) { return low + below(high - low + 1); }
    bool chance(int percent) { return below(100) < percent; }
    const QString& pick(const QStringList& list) { return list.at(below(int(list.size()))); }

    QString chineseTitle()
    {
        QString title;
        switch (below(5)) {
        case 0:
            title = pick(titleChars) + pick(titleChars) + pick(titleChars) + pick(titleChars);
            break;
        case 1:
            title = pick(titleWords) + pick(titleWords);
            break;
        case 2:
            title = pick(titleChars) + pick(titleChars) + pick(titleWords);
            break;
        case 3:
            title = pick(titleWords) + u"之"_s + pick(titleChars) + pick(titleWords);
            break;
        default:
            title = pick(titleChars) + u"的"_s + pick(titleWords);
            break;
        }
        if (chance(8))
            title += pick(sequels);
        return title;
    }

    QString englishTitle()
    {
        QString title;
        switch (below(4)) {
        case 0:
            title = u"The "_s + pick(englishAdjectives) + u' ' + pick(englishNouns);
            break;
        case 1:
            title = pick(englishNouns) + u" of the "_s + pick(englishAdjectives) + u' ' + pick(englishNouns);
            break;
        case 2:
            title = u"Return of the "_s + pick(englishNouns);
            break;
        default:
            title = pick(englishAdjectives) + u' ' + pick(englishNouns) + u's';
            break;
        }
        if (chance(6))
            title += u' ' + QString::number(between(2, 4));
        return title;
    }

    QString person()
    {
        if (chance(30))
            return pick(westernFirst) + u"·"_s + pick(westernLast);
        QString name = pick(surnames) + pick(givenChars);
        if (chance(70))
            name += pick(givenChars);
        return name;
    }

    QString people(int low, int high, const QString& separator)
    {
        QStringList names;
        const int n = between(low, high);
        for (int i = 0; i < n; ++i)
            names << person();
        return names.join(separator);
    }

    // A list of distinct entries joined by "/", in the order of the source list.
    QString someOf(const QStringList& list, int low, int high)
    {
        const int n = between(low, high);
        std::vector<bool> taken(size_t(list.size()), false);
        for (int i = 0; i < n; ++i)
            taken[size_t(below(int(list.size())))] = true;
        QStringList out;
        for (qsizetype i = 0; i < list.size(); ++i)
            if (taken[size_t(i)])
                out << list.at(i);
        return out.join(u'/');
    }

    QString summary()
    {
        const int length = between(100, 600);
        QString text;
        while (text.size() < length) {
            QString piece = pick(summaryPieces);
            piece.replace(u"{C}"_s, pick(placeWords));
            piece.replace(u"{T}"_s, pick(titleWords));
            while (piece.contains(u"{P}"_s))
                piece.replace(piece.indexOf(u"{P}"_s), 3, person());
            text += piece;
        }
        text.truncate(length - 1);
        text += u'。';
        return text;
    }

    double score()
    {
        if (chance(15))
            return 7.5;
        if (chance(10))
            return double(between(0, 10));
        return between(0, 100) / 10.0;
    }

private:
    QRandomGenerator random_;
};

QVariant stored(const QString& text)
{
    return TextRules::storedText(text);
}

QList<DiscRecord> makeDiscs(CatalogueMaker& maker, int count)
{
    QList<DiscRecord> discs;
    discs.reserve(count);
    for (int n = 1; n <= count; ++n) {
        DiscRecord d;
        d.diskNum = QString::number(n);
        if (!maker.chance(10))
            d.name = stored(maker.pick(discNames));
        d.diskType = stored(maker.pick(discKinds));
        const int condition = maker.below(100);
        if (condition < 60)
            d.station = QVariant();
        else if (condition < 85)
            d.station = stored(u"良好"_s);
        else if (condition < 95)
            d.station = stored(u"外借"_s);
        else
            d.station = stored(u"破损"_s);
        if (maker.chance(20))
            d.ps = stored(maker.pick(discNotes));
        const int fav = maker.below(100);
        if (fav < 5)
            d.fav = u"Yes"_s;
        else if (fav < 40)
            d.fav = u"No"_s;
        discs.append(d);
    }
    return discs;
}

// The disc each movie goes on: discs hold different numbers of movies, and movies are entered
// disc by disc, as a collector catalogues a pile of discs.
std::vector<int> discOfEachMovie(CatalogueMaker& maker, int discs, int movies)
{
    std::vector<double> weight(static_cast<size_t>(discs));
    double total = 0;
    for (double& w : weight) {
        w = 0.3 + maker.below(1000) / 600.0;
        total += w;
    }
    std::vector<int> result(static_cast<size_t>(movies));
    double edge = 0;
    int disc = 0;
    double limit = weight[0] / total * movies;
    for (int m = 0; m < movies; ++m) {
        while (m >= limit && disc + 1 < discs) {
            edge = limit;
            ++disc;
            limit = edge + weight[size_t(disc)] / total * movies;
        }
        result[size_t(m)] = disc + 1;
    }
    return result;
}

MovieRecord makeMovie(CatalogueMaker& maker, int id, int disc)
{
    MovieRecord m;
    m[MovieField::ID] = double(id);
    m[MovieField::MovieName] = stored(maker.chineseTitle());
    m[MovieField::Year] = stored(QString::number(maker.between(1950, 2026)));
    m[MovieField::Filetype] = stored(maker.pick(fileTypes));
    m[MovieField::Type] = stored(maker.someOf(genres, 1, 3));
    m[MovieField::Audio] = stored(maker.pick(audios));
    if (!maker.chance(10))
        m[MovieField::SubTitile] = stored(maker.someOf(subtitleLanguages, 1, 2));
    m[MovieField::Definition] = stored(maker.pick(definitions));
    m[MovieField::MovieSize] = stored(maker.pick(frameSizes));
    m[MovieField::FileNum] = stored(QString::number(maker.chance(80) ? 1 : maker.between(2, 3)));
    if (!maker.chance(5))
        m[MovieField::EngName] = stored(maker.englishTitle());
    m[MovieField::Direct] = stored(maker.person());
    m[MovieField::Role] = stored(maker.people(2, 5, u" "_s));
    // An unknown company is stored as a single blank.
    m[MovieField::Company] = maker.chance(25) ? u" "_s : stored(maker.pick(companies));
    m[MovieField::Lastfor] = double(maker.between(80, 180));
    if (!maker.chance(3))
        m[MovieField::PS] = stored(maker.summary());
    m[MovieField::Nation] = stored(maker.pick(nations));
    m[MovieField::DiskNum] = double(disc);
    if (!maker.chance(10))
        m[MovieField::Score] = maker.score();
    const int seen = maker.below(100);
    if (seen < 45)
        m[MovieField::Seen] = u"yes"_s;
    else if (seen < 85)
        m[MovieField::Seen] = u"no"_s;
    return m;
}

bool writePicture(const QImage& image, const QString& path, QString* error)
{
    if (image.save(path, "JPG", 80))
        return true;
    *error = u"无法写入图片 %1"_s.arg(path);
    return false;
}

QImage poster(CatalogueMaker& maker, const QString& title, const QString& id)
{
    QImage image(120, 170, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient g(0, 0, 0, image.height());
    const int hue = maker.below(360);
    g.setColorAt(0, QColor::fromHsv(hue, 160, 230));
    g.setColorAt(1, QColor::fromHsv((hue + 40) % 360, 220, 70));
    p.fillRect(image.rect(), g);
    p.setPen(Qt::white);
    QFont font = p.font();
    font.setPixelSize(16);
    font.setBold(true);
    p.setFont(font);
    p.drawText(image.rect().adjusted(6, 10, -6, -40), Qt::AlignHCenter | Qt::TextWordWrap, title);
    font.setPixelSize(11);
    font.setBold(false);
    p.setFont(font);
    p.drawText(image.rect().adjusted(0, 0, 0, -8), Qt::AlignHCenter | Qt::AlignBottom, u"No. "_s + id);
    return image;
}

QImage logo(CatalogueMaker& maker, const QString& company)
{
    QImage image(96, 48, QImage::Format_RGB32);
    image.fill(QColor::fromHsv(maker.below(360), 90, 250));
    QPainter p(&image);
    p.setPen(QColor(40, 40, 40));
    p.drawRect(image.rect().adjusted(0, 0, -1, -1));
    QFont font = p.font();
    font.setPixelSize(14);
    p.setFont(font);
    p.drawText(image.rect(), Qt::AlignCenter | Qt::TextWordWrap, company);
    return image;
}

int runCatalogue(const Options& options)
{
    QTextStream err(stderr);
    QTextStream out(stdout);
    QElapsedTimer clock;
    clock.start();

    if (!QDir().mkpath(options.home)) {
        err << "无法创建数据文件夹 " << options.home << Qt::endl;
        return 1;
    }
    const DataFolder folder(options.home);
    QString error;
    if (!installDefaults(folder, &error)) {
        err << error << Qt::endl;
        return 1;
    }
    Catalogue catalogue(folder.catalogueFile());
    if (!catalogue.prepare(&error)) {
        err << error << Qt::endl;
        return 1;
    }
    const qint64 existing = catalogue.movieCount(&error);
    const auto existingDiscs = catalogue.discs(&error);
    if (existing != 0 || !existingDiscs || !existingDiscs->isEmpty()) {
        err << "目录数据库 " << folder.catalogueFile() << " 已有数据，不再生成（请换一个空文件夹）。"
            << Qt::endl;
        return 1;
    }

    CatalogueMaker maker(options.seed);
    const QList<DiscRecord> discs = makeDiscs(maker, options.discs);
    const std::vector<int> discOf = discOfEachMovie(maker, std::max(options.discs, 1), options.movies);
    QList<MovieRecord> movies;
    movies.reserve(options.movies);
    for (int i = 0; i < options.movies; ++i)
        movies.append(makeMovie(maker, i + 1, discOf[size_t(i)]));
    const qint64 composed = clock.restart();

    if (!catalogue.addDiscsAndMovies(discs, movies, &error)) {
        err << error << Qt::endl;
        return 1;
    }
    const qint64 inserted = clock.restart();

    // Posters for movies spread over the whole table, logos for every other company.
    const int posterCount = std::min(options.posters, options.movies);
    for (int k = 0; k < posterCount; ++k) {
        const int index = int(qint64(k) * options.movies / posterCount);
        const MovieRecord& m = movies.at(index);
        const QString id = TextRules::displayText(m[MovieField::ID]);
        const QString title = TextRules::displayText(m[MovieField::MovieName]);
        if (!writePicture(poster(maker, title, id), folder.posterFor(id), &error)) {
            err << error << Qt::endl;
            return 1;
        }
    }
    const int logoCount = std::min<int>(options.logos, int((companies.size() + 1) / 2));
    for (int k = 0; k < logoCount; ++k) {
        const QString& company = companies.at(2 * k);
        if (!writePicture(logo(maker, company), folder.logoFor(company), &error)) {
            err << error << Qt::endl;
            return 1;
        }
    }
    const qint64 pictures = clock.elapsed();

    out << "数据文件夹 " << folder.path() << ": " << discs.size() << " 张光碟, " << movies.size()
        << " 部影片, " << posterCount << " 张海报, " << logoCount << " 个公司标志" << Qt::endl;
    out << "composed " << composed << " ms, inserted " << inserted << " ms, pictures " << pictures << " ms"
        << Qt::endl;
    return 0;
}

int run(const Options& options)
{
    if (!options.tree.isEmpty()) {
        QTextStream out(stdout);
        QTextStream err(stderr);
        QString error;
        QElapsedTimer clock;
        clock.start();
        const auto made
            = makeDiscTree(options.tree, options.treeFiles, options.treeFolders, options.seed, &error);
        if (!made) {
            err << error << Qt::endl;
            return 1;
        }
        out << "文件夹树 " << options.tree << ": " << made->folders << " 个文件夹, " << made->files
            << " 个文件 (" << made->movieFiles << " 个影视文件), " << clock.elapsed() << " ms" << Qt::endl;
    }
    return options.home.isEmpty() ? 0 : runCatalogue(options);
}

bool readCount(const QCommandLineParser& parser, const QString& name, int low, int* value)
{
    if (!parser.isSet(name))
        return true;
    bool ok = false;
    const int v = parser.value(name).toInt(&ok);
    if (!ok || v < low)
        return false;
    *value = v;
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    // Pictures with text need a font database, which needs a GUI application; no display is used.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName(u"reelshelf-gen"_s);

    QCommandLineParser parser;
    parser.setApplicationDescription(u"生成用于性能测试的大型影碟目录"_s);
    parser.addHelpOption();
    parser.addOption({ u"home"_s, u"数据文件夹（必须为空或尚无数据）"_s, u"DIR"_s });
    parser.addOption({ u"discs"_s, u"光碟数（默认 1000）"_s, u"N"_s });
    parser.addOption({ u"movies"_s, u"影片数（默认 100000）"_s, u"N"_s });
    parser.addOption({ u"posters"_s, u"海报数（默认 200）"_s, u"N"_s });
    parser.addOption({ u"logos"_s, u"公司标志数（默认 10）"_s, u"N"_s });
    parser.addOption({ u"seed"_s, u"随机种子（默认 20070101）"_s, u"N"_s });
    parser.addOption({ u"tree"_s, u"生成光盘式文件夹树的文件夹（必须为空或不存在）"_s, u"DIR"_s });
    parser.addOption({ u"tree-files"_s, u"文件夹树中的文件数（默认 50000）"_s, u"N"_s });
    parser.addOption({ u"tree-folders"_s, u"文件夹树中的文件夹数（默认 5000）"_s, u"N"_s });
    parser.process(app);

    Options options;
    options.home = parser.value(u"home"_s);
    options.tree = parser.value(u"tree"_s);
    int seed = int(options.seed);
    const bool ok = (!options.home.isEmpty() || !options.tree.isEmpty())
        && readCount(parser, u"tree-files"_s, 0, &options.treeFiles)
        && readCount(parser, u"tree-folders"_s, 1, &options.treeFolders)
        && readCount(parser, u"discs"_s, 1, &options.discs)
        && readCount(parser, u"movies"_s, 0, &options.movies)
        && readCount(parser, u"posters"_s, 0, &options.posters)
        && readCount(parser, u"logos"_s, 0, &options.logos) && readCount(parser, u"seed"_s, 0, &seed);
    if (!ok) {
        std::fputs(qPrintable(parser.helpText()), stderr);
        return 2;
    }
    options.seed = quint32(seed);
    return run(options);
}
