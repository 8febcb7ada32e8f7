#include "statscommand.h"

#include "jsonline.h"
#include "stats/collectionstats.h"
#include "store/catalogue.h"
#include "store/datafolder.h"
#include "store/textrules.h"
#include "texttable.h"

#include <QTextStream>
#include <cmath>

namespace {

// Totals to the hundredth: more digits only repeat the rounding of the sizes as stored.
QString hundredths(double value)
{
    return TextRules::shortestDecimal(std::round(value * 100) / 100);
}

class JsonObject
{
public:
    explicit JsonObject(QByteArray& out)
        : out_(out)
    {
        out_.append('{');
    }
    ~JsonObject() { out_.append('}'); }
    JsonObject(const JsonObject&) = delete;
    JsonObject& operator=(const JsonObject&) = delete;

    void number(const char* key, const QString& digits)
    {
        this->key(key);
        out_.append(digits.toLatin1());
    }
    void number(const char* key, qint64 value) { number(key, QString::number(value)); }

    void buckets(const char* key, const QList<StatsBucket>& list)
    {
        this->key(key);
        out_.append('[');
        for (qsizetype i = 0; i < list.size(); ++i) {
            const StatsBucket& b = list.at(i);
            if (i > 0)
                out_.append(", ");
            out_.append("{\"name\": ");
            if (b.unknown())
                out_.append("null");
            else
                JsonLinesWriter::appendQuoted(out_, b.name);
            out_.append(", \"count\": ").append(QByteArray::number(b.count)).append('}');
        }
        out_.append(']');
    }

private:
    void key(const char* name)
    {
        if (!first_)
            out_.append(", ");
        first_ = false;
        JsonLinesWriter::appendQuoted(out_, QString::fromLatin1(name));
        out_.append(": ");
    }

    QByteArray& out_;
    bool first_ = true;
};

void printBuckets(const QString& caption, const QList<StatsBucket>& list, StatsDimension dimension, CliIo& io)
{
    TextTable table({ caption, QStringLiteral("数量") });
    for (const StatsBucket& b : list)
        table.addRow({ CollectionStatistics::bucketLabel(dimension, b), QString::number(b.count) });
    io.out << '\n';
    table.print(io.out);
}

void printTables(const CollectionStats& s, CliIo& io)
{
    TextTable totals({ QStringLiteral("项目"), QStringLiteral("数值") });
    totals.addRow({ QStringLiteral("光碟"), QString::number(s.discs) });
    totals.addRow({ QStringLiteral("影视"), QString::number(s.movies) });
    totals.addRow({ QStringLiteral("已看"), QString::number(s.seen) });
    totals.addRow({ QStringLiteral("未看"), QString::number(s.unseen) });
    totals.addRow({ QStringLiteral("未标记"), QString::number(s.seenUnmarked) });
    totals.addRow({ QStringLiteral("总大小 (GB)"), hundredths(s.totalSizeGB) });
    totals.addRow({ QStringLiteral("总时长 (小时)"), hundredths(s.totalHours) });
    totals.print(io.out);
    // Disc kinds and conditions are named as the text breakdowns are.
    printBuckets(QStringLiteral("光碟类型"), s.discsByKind, StatsDimension::Format, io);
    printBuckets(QStringLiteral("光碟状态"), s.discsByCondition, StatsDimension::Format, io);
    printBuckets(QStringLiteral("类型"), s.byGenre, StatsDimension::Genre, io);
    printBuckets(QStringLiteral("年代"), s.byDecade, StatsDimension::Decade, io);
    printBuckets(QStringLiteral("格式"), s.byFormat, StatsDimension::Format, io);
    printBuckets(QStringLiteral("清晰度"), s.byDefinition, StatsDimension::Definition, io);
    printBuckets(QStringLiteral("国家或地区"), s.byCountry, StatsDimension::Country, io);
    printBuckets(QStringLiteral("借出（按借阅人）"), s.lentByBorrower, StatsDimension::Format, io);
}

} // namespace

QByteArray StatsCommand::json(const CollectionStats& s)
{
    QByteArray out;
    {
        JsonObject o(out);
        o.number("discs", s.discs);
        o.buckets("discsByKind", s.discsByKind);
        o.buckets("discsByCondition", s.discsByCondition);
        o.number("movies", s.movies);
        o.number("seen", s.seen);
        o.number("unseen", s.unseen);
        o.number("seenUnmarked", s.seenUnmarked);
        o.number("totalSizeGB", hundredths(s.totalSizeGB));
        o.number("totalHours", hundredths(s.totalHours));
        o.buckets("byGenre", s.byGenre);
        o.buckets("byDecade", s.byDecade);
        o.buckets("byFormat", s.byFormat);
        o.buckets("byDefinition", s.byDefinition);
        o.buckets("byCountry", s.byCountry);
        o.buckets("lentByBorrower", s.lentByBorrower);
    }
    return out;
}

int StatsCommand::run(const QStringList& args, const DataFolder& folder, CliIo& io) const
{
    bool asJson = false;
    for (const QString& a : args) {
        if (a != QStringLiteral("--json")) {
            io.err << "用法: reelshelf-cli [--home DIR] " << usage() << '\n';
            return ExitUsage;
        }
        asJson = true;
    }
    QString error;
    const auto stats = CollectionStatistics::compute(Catalogue(folder.catalogueFile()), &error);
    if (!stats) {
        io.err << error << '\n';
        return ExitFailed;
    }
    if (asJson)
        io.out << QString::fromUtf8(json(*stats)) << '\n';
    else
        printTables(*stats, io);
    return ExitOk;
}
