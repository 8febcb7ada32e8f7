#include "treemaker.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSet>
#include <QStringList>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

const QStringList folderWords = { u"电影"_s, u"动作片"_s, u"喜剧"_s, u"欧美大片"_s, u"港片"_s, u"经典"_s,
    u"Movies"_s, u"Films"_s, u"VIDEO_TS"_s, u"Sample"_s, u"字幕"_s, u"海报"_s, u"Extras"_s, u"合集"_s,
    u"2008"_s, u"2009"_s, u"DVDRip"_s, u"HDTV"_s, u"纪录片"_s, u"动画"_s };
const QStringList hiddenFolders = { u".cache"_s, u".Trash-1000"_s, u".thumbnails"_s, u".git"_s };
const QStringList titles = { u"英雄"_s, u"无间道"_s, u"Hero"_s, u"The.Dark.Night"_s, u"Infernal.Affairs"_s,
    u"卧虎藏龙"_s, u"Crouching.Tiger"_s, u"功夫"_s, u"Kung.Fu.Hustle"_s, u"十面埋伏"_s, u"花样年华"_s,
    u"In.the.Mood.for.Love"_s, u"霸王别姬"_s, u"Farewell.My.Concubine"_s, u"大话西游"_s, u"Lost.City"_s,
    u"Silent.River"_s, u"Golden.Empire"_s, u"Midnight.Storm"_s, u"龙门客栈"_s };
const QStringList tags = { u"DVDRip"_s, u"XviD"_s, u"720p"_s, u"x264"_s, u"国粤双语"_s, u"中字"_s };

struct Kind
{
    const char16_t* extension;
    int weight;
    qint64 minSize;
    qint64 maxSize;
    bool movie; // one of the six types the benchmark selects
};
constexpr qint64 kb = 1024;
constexpr qint64 mb = 1024 * 1024;
const Kind kinds[] = {
    { u"avi", 90, 100 * mb, 800 * mb, true },
    { u"rmvb", 70, 150 * mb, 600 * mb, true },
    { u"rm", 20, 100 * mb, 400 * mb, true },
    { u"mkv", 60, 700 * mb, 1500 * mb, true },
    { u"mp4", 60, 300 * mb, 1200 * mb, true },
    { u"mpg", 20, 200 * mb, 700 * mb, true },
    { u"wmv", 20, 100 * mb, 600 * mb, false },
    { u"ts", 10, 500 * mb, 1500 * mb, false },
    { u"vob", 20, 200 * mb, 1024 * mb, false },
    { u"jpg", 200, 20 * kb, 300 * kb, false },
    { u"txt", 150, 1 * kb, 20 * kb, false },
    { u"srt", 100, 30 * kb, 100 * kb, false },
    { u"nfo", 50, 1 * kb, 8 * kb, false },
    { u"idx", 30, 10 * kb, 60 * kb, false },
    { u"sub", 30, 1 * mb, 8 * mb, false },
    { u"url", 20, 100, 300, false },
    { u"md5", 20, 40, 200, false },
};

class TreeMaker
{
public:
    explicit TreeMaker(quint32 seed)
        : random_(seed)
    {
    }

    int below(int n) { return int(random_.bounded(n)); }
    qint64 between(qint64 low, qint64 high) { return low + qint64(random_.bounded(quint64(high - low + 1))); }
    const QString& pick(const QStringList& list) { return list.at(below(int(list.size()))); }

    const Kind& kind()
    {
        static const int total = [] {
            int t = 0;
            for (const Kind& k : kinds)
                t += k.weight;
            return t;
        }();
        int r = below(total);
        for (const Kind& k : kinds) {
            if (r < k.weight)
                return k;
            r -= k.weight;
        }
        return kinds[0];
    }

    QString folderName(int index)
    {
        if (below(100) < 3)
            return pick(hiddenFolders);
        return pick(folderWords) + u'_' + QString::number(index);
    }

    QString movieTitle(int serial)
    {
        QString title = pick(titles) + u'.' + QString::number(serial);
        if (below(100) < 50)
            title += u'.' + QString::number(between(1980, 2010));
        if (below(100) < 40)
            title += u'.' + pick(tags);
        if (below(100) < 10)
            title = u"[电影天堂]"_s + title;
        if (below(100) < 10)
            title += u"(BBS.btchina.net)"_s;
        return title;
    }

private:
    QRandomGenerator random_;
};

bool writeSparse(const QString& path, qint64 size, QString* error)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::NewOnly) && f.resize(size))
        return true;
    *error = u"无法写入文件 %1：%2"_s.arg(path, f.errorString());
    return false;
}

} // namespace

std::optional<DiscTreeStats> makeDiscTree(
    const QString& root, int files, int folders, quint32 seed, QString* error)
{
    QDir dir(root);
    if (dir.exists() && !dir.isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System)) {
        *error = u"文件夹 %1 不是空的，不再生成（请换一个空文件夹）。"_s.arg(root);
        return std::nullopt;
    }
    if (!QDir().mkpath(root)) {
        *error = u"无法创建文件夹 %1"_s.arg(root);
        return std::nullopt;
    }
    TreeMaker maker(seed);
    DiscTreeStats stats;

    // Each new folder goes below a random earlier one, so the tree grows both wide and deep;
    // hidden folders stay leaves, as a disc's stray ".cache" does.
    std::vector<QString> paths { QDir(root).absolutePath() };
    std::vector<int> depth { 0 };
    for (int i = 1; i < folders; ++i) {
        int parent = maker.below(int(paths.size()));
        while (depth[size_t(parent)] >= 6 || depth[size_t(parent)] < 0)
            parent = maker.below(int(paths.size()));
        const QString name = maker.folderName(i);
        QString path = paths[size_t(parent)] + u'/' + name;
        if (QFileInfo::exists(path))
            path += u'_' + QString::number(i);
        if (!QDir().mkdir(path)) {
            *error = u"无法创建文件夹 %1"_s.arg(path);
            return std::nullopt;
        }
        paths.push_back(path);
        depth.push_back(name.startsWith(u'.') ? -1 : depth[size_t(parent)] + 1);
    }
    stats.folders = int(paths.size());

    QSet<QString> taken;
    int serial = 0;
    while (stats.files < files) {
        const QString& folder = paths[size_t(maker.below(int(paths.size())))];
        const Kind& k = maker.kind();
        QString extension = QString::fromUtf16(k.extension);
        if (maker.below(100) < 10)
            extension = extension.toUpper();
        const QString title = maker.movieTitle(stats.files);
        // A fifth of the movies come in two parts.
        const int parts = k.movie && maker.below(100) < 20 && stats.files + 1 < files ? 2 : 1;
        for (int p = 1; p <= parts; ++p) {
            QString name = title + (parts > 1 ? u".CD"_s + QString::number(p) : QString());
            QString path = folder + u'/' + name + u'.' + extension;
            if (taken.contains(path.toLower()))
                path = folder + u'/' + name + u'_' + QString::number(++serial) + u'.' + extension;
            taken.insert(path.toLower());
            if (!writeSparse(path, maker.between(k.minSize, k.maxSize), error))
                return std::nullopt;
            ++stats.files;
            if (k.movie)
                ++stats.movieFiles;
        }
    }
    return stats;
}
