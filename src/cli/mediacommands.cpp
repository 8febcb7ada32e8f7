#include "mediacommands.h"

#include "browse/disctree.h"
#include "browse/movielisting.h"
#include "jsonline.h"
#include "media/discverify.h"
#include "media/identify.h"
#include "media/mediaprobe.h"
#include "media/mediatext.h"
#include "scan/candidates.h"
#include "scan/rescan.h"
#include "store/catalogue.h"
#include "store/datafolder.h"
#include "store/mediatables.h"
#include "store/textrules.h"
#include "texttable.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>
#include <cmath>

namespace {

// The facts' keys in the order the command's usage names them.
const char* const factKeys[] = { "container", "duration", "width", "height", "videoCodec", "frameRate",
    "audio", "subtitles", "truncated" };

QString jsonText(const QJsonValue& value)
{
    const QByteArray wrapped = QJsonDocument(QJsonArray { value }).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(wrapped.mid(1, wrapped.size() - 2));
}

// `head` holds the members before path and size, each ending in a comma.
// One object: the members in `head` (each ending in a comma), path and size, the members in
// `afterSize` (each starting with a comma), then the facts in the order the usage names them.
QString jsonLine(const QString& path, qint64 size, const std::optional<MediaFacts>& facts,
    const QString& head = {}, const QString& afterSize = {})
{
    QJsonObject members;
    MediaFactsJson::write(members, facts);
    QString line = u'{' + head + QStringLiteral("\"path\":") + JsonLine::quoted(path)
        + QStringLiteral(",\"size\":") + (size < 0 ? QStringLiteral("null") : QString::number(size))
        + afterSize;
    for (const char* key : factKeys) {
        const QJsonValue value = members.value(QLatin1String(key));
        if (!value.isUndefined())
            line += QStringLiteral(",\"%1\":").arg(QLatin1String(key)) + jsonText(value);
    }
    return line + u'}';
}

QString tracksText(const MediaFacts& f)
{
    return QStringLiteral("音轨：%1  字幕：%2").arg(MediaText::audio(f), MediaText::subtitles(f));
}

QString textLine(const QString& path, const std::optional<MediaFacts>& facts)
{
    if (!facts)
        return path + QStringLiteral("  （无法读取）");
    return QStringList { path, facts->container, MediaText::minutes(*facts), MediaText::picture(*facts),
        tracksText(*facts) }
        .join(QStringLiteral("  "));
}

// The words of the commands that read a medium: ROOT (or "-- ROOT"), "--json", and where the
// command takes them "--disc N" and "--no-facts". False on anything else or a missing word.
struct MediumArgs
{
    bool json = false;
    bool facts = true;
    std::optional<QString> disc;
    std::optional<QString> root;
};

bool parseMediumArgs(const QStringList& args, bool takesDisc, bool takesNoFacts, MediumArgs& out)
{
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        if (a == QStringLiteral("--json"))
            out.json = true;
        else if (takesNoFacts && a == QStringLiteral("--no-facts"))
            out.facts = false;
        else if (takesDisc && a == QStringLiteral("--disc") && i + 1 < args.size() && !out.disc)
            out.disc = args.at(++i);
        else if (a == QStringLiteral("--") && i + 1 < args.size() && !out.root)
            out.root = args.at(++i);
        else if (!a.startsWith(u"--") && !out.root)
            out.root = a;
        else
            return false;
    }
    return out.root && (!takesDisc || out.disc);
}

struct MovieFiles
{
    QString movie; // the number as the list shows it
    QString disc;
    QList<MovieFileRecord> files;
};

} // namespace

int FilesCommand::run(const QStringList& args, const DataFolder& folder, CliIo& io) const
{
    bool json = false;
    std::optional<QString> movie;
    std::optional<QString> disc;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        if (a == QStringLiteral("--json")) {
            json = true;
        } else if (a == QStringLiteral("--movie") && i + 1 < args.size() && !movie && !disc) {
            movie = args.at(++i);
        } else if (a == QStringLiteral("--disc") && i + 1 < args.size() && !movie && !disc) {
            disc = args.at(++i);
        } else {
            return usageError(*this, io);
        }
    }
    if (!movie && !disc) {
        return usageError(*this, io);
    }
    const Catalogue catalogue(folder.catalogueFile());
    QString error;
    QList<MovieRow> rows;
    if (movie) {
        const auto found = catalogue.findMovie(TextRules::numericValue(*movie), &error);
        if (!found
            || TextRules::shortestDecimal(TextRules::numericValue(*movie)) != TextRules::trimBlanks(*movie)) {
            io.err << (found ? QStringLiteral("找不到编号为 %1 的影片记录。").arg(*movie) : error) << '\n';
            return ExitFailed;
        }
        rows << movieRow(*found, true);
    } else {
        const DiscOutcome found = catalogue.findDisc(*disc);
        if (!found.ok()) {
            io.err << found.error << '\n';
            return ExitFailed;
        }
        const auto listing = MovieList::listForNode(catalogue,
            DiscTree::discPrefix + TextRules::trimBlanks(*disc), 0, 0, &error, MovieList::Intros::LeftOut);
        if (!listing) {
            io.err << error << '\n';
            return ExitFailed;
        }
        rows = listing->rows;
    }
    TextTable table({ QStringLiteral("影片"), QStringLiteral("碟号"), QStringLiteral("段"),
        QStringLiteral("路径"), QStringLiteral("大小"), QStringLiteral("时长"), QStringLiteral("画面"),
        QStringLiteral("音轨与字幕") });
    for (const MovieRow& row : std::as_const(rows)) {
        const auto files
            = MediaTables::files(catalogue.filePath(), TextRules::numericValue(row[ListCol::ID]), &error);
        if (!files) {
            io.err << error << '\n';
            return ExitFailed;
        }
        const QString id = TextRules::trimBlanks(row[ListCol::ID]);
        const QString discText = TextRules::trimBlanks(row[ListCol::DiskNum]);
        for (const MovieFileRecord& f : *files) {
            const QString path = TextRules::decodeFileName(f.path);
            if (json) {
                const QString head = QStringLiteral("\"movie\":%1,\"disc\":%2,\"part\":%3,")
                                         .arg(JsonLine::quoted(id), JsonLine::quoted(discText))
                                         .arg(f.part);
                const QString modified = f.modified.isValid()
                    ? JsonLine::quoted(f.modified.toString(Qt::ISODate))
                    : QStringLiteral("null");
                io.out << jsonLine(path, f.size, f.facts, head, QStringLiteral(",\"modified\":") + modified)
                       << '\n';
            } else {
                const std::optional<MediaFacts>& facts = f.facts;
                table.addRow({ id, discText, QString::number(f.part), path, MediaText::size(f.size),
                    facts ? MediaText::minutes(*facts) : QString(),
                    facts ? MediaText::picture(*facts) : QString(),
                    facts ? tracksText(*facts) : QStringLiteral("（未能读取）") });
            }
        }
    }
    if (!json)
        table.print(io.out);
    return ExitOk;
}

int VerifyCommand::run(const QStringList& args, const DataFolder& folder, CliIo& io) const
{
    MediumArgs a;
    if (!parseMediumArgs(args, true, false, a))
        return usageError(*this, io);
    const bool json = a.json;
    const std::optional<QString>& disc = a.disc;
    const std::optional<QString>& root = a.root;
    const DiscVerify::Result result = DiscVerify::run(folder.catalogueFile(), *disc, *root);
    if (result.status != DiscVerify::Result::Done) {
        io.err << result.error << '\n';
        return ExitFailed;
    }
    TextTable table({ QStringLiteral("结果"), QStringLiteral("路径"), QStringLiteral("大小"),
        QStringLiteral("出错位置") });
    for (const DiscVerify::FileResult& f : result.files) {
        const QString status = DiscVerify::statusName(f.status);
        if (json) {
            QString line = QStringLiteral("{\"path\":%1,\"size\":%2,\"status\":%3")
                               .arg(JsonLine::quoted(f.path))
                               .arg(f.size)
                               .arg(JsonLine::quoted(status));
            if (f.status == FileCheck::Outcome::Unreadable)
                line += QStringLiteral(",\"offset\":%1").arg(f.offset);
            io.out << line << u'}' << '\n';
        } else {
            table.addRow({ status, f.path, MediaText::size(f.size),
                f.offset >= 0 ? QString::number(f.offset) : QString() });
        }
    }
    const MediaTables::DiscCheckRecord& c = result.check;
    const QString number = TextRules::trimBlanks(*disc);
    if (json) {
        io.out << QStringLiteral(
            "{\"summary\":true,\"disc\":%1,\"files\":%2,\"ok\":%3,\"missing\":%4,\"changed\":%5,"
            "\"unreadable\":%6,\"bytes\":%7,\"seconds\":%8}")
                      .arg(JsonLine::quoted(number))
                      .arg(c.files)
                      .arg(c.ok)
                      .arg(c.missing)
                      .arg(c.changed)
                      .arg(c.unreadable)
                      .arg(c.bytes)
                      .arg(TextRules::shortestDecimal(std::round(c.seconds * 1000) / 1000))
               << '\n';
    } else {
        table.print(io.out);
        io.out << QStringLiteral(
            "碟#%1：%2 个文件，%3 个完好，%4 个缺失，%5 个已改变，%6 个无法读取；读取 %7，用时 %8 秒。")
                      .arg(number)
                      .arg(c.files)
                      .arg(c.ok)
                      .arg(c.missing)
                      .arg(c.changed)
                      .arg(c.unreadable)
                      .arg(MediaText::size(c.bytes),
                          TextRules::shortestDecimal(std::round(c.seconds * 10) / 10))
               << '\n';
    }
    return c.passed() ? ExitOk : ExitCheckFailed;
}

int IdentifyCommand::run(const QStringList& args, const DataFolder& folder, CliIo& io) const
{
    MediumArgs a;
    if (!parseMediumArgs(args, false, false, a))
        return usageError(*this, io);
    const bool json = a.json;
    const std::optional<QString>& root = a.root;
    const Identify::Result result = Identify::identify(folder.catalogueFile(), *root);
    switch (result.status) {
    case Identify::Result::Failed:
        io.err << result.error << '\n';
        return ExitFailed;
    case Identify::Result::Unknown:
        io.err << Identify::unknownMessage << '\n';
        return ExitNotIdentified;
    case Identify::Result::Tie:
        io.err << Identify::tieMessage(result.candidates) << '\n';
        break;
    case Identify::Result::Found:
        break;
    }
    for (const Identify::Candidate& c : result.candidates) {
        const QString share = c.share < 0 ? QStringLiteral("null")
                                          : TextRules::shortestDecimal(std::round(c.share * 1000) / 1000);
        if (json)
            io.out << QStringLiteral("{\"disc\":%1,\"name\":%2,\"by\":%3,\"share\":%4}")
                          .arg(JsonLine::quoted(c.disc), JsonLine::quoted(c.name), JsonLine::quoted(c.by),
                              share)
                   << '\n';
        else
            io.out << Identify::discLabel(c.disc, c.name)
                   << (c.by == QStringLiteral("uuid")
                              ? QStringLiteral("（按 UUID 相符）")
                              : QStringLiteral("（按文件相符，%1%）").arg(std::lround(c.share * 100)))
                   << '\n';
    }
    return result.status == Identify::Result::Found ? ExitOk : ExitNotIdentified;
}

int RescanCommand::run(const QStringList& args, const DataFolder& folder, CliIo& io) const
{
    MediumArgs a;
    if (!parseMediumArgs(args, true, true, a))
        return usageError(*this, io);
    const bool json = a.json;
    const std::optional<QString>& disc = a.disc;
    const std::optional<QString>& root = a.root;
    Rescan::Options options;
    options.readFacts = a.facts;
    const Rescan::Report report = Rescan::run(folder, *disc, *root, options);
    if (!report.stored) {
        io.err << report.error << '\n';
        return ExitFailed;
    }
    if (!json) {
        for (const QString& line : Rescan::reportLines(report))
            io.out << line << '\n';
        return ExitOk;
    }
    const auto list = [](const QStringList& texts) {
        QStringList quoted;
        for (const QString& t : texts)
            quoted << JsonLine::quoted(t);
        return u'[' + quoted.join(u',') + u']';
    };
    for (const Rescan::Match& m : report.matched)
        io.out << QStringLiteral("{\"movie\":%1,\"title\":%2,\"files\":%3,\"filled\":%4}")
                      .arg(JsonLine::quoted(TextRules::shortestDecimal(m.movieId)), JsonLine::quoted(m.title),
                          list(m.paths), list(m.filled))
               << '\n';
    for (const QString& f : report.unmatchedFiles)
        io.out << QStringLiteral("{\"movie\":null,\"file\":%1}").arg(JsonLine::quoted(f)) << '\n';
    for (const QString& t : report.moviesWithoutFile)
        io.out << QStringLiteral("{\"movie\":null,\"title\":%1,\"files\":[]}").arg(JsonLine::quoted(t))
               << '\n';
    for (const QString& w : report.warnings)
        io.err << w << '\n';
    return ExitOk;
}

int ProbeCommand::run(const QStringList& args, const DataFolder&, CliIo& io) const
{
    bool json = false;
    QList<ProbeFile> files;
    bool onlyFiles = false;
    for (const QString& a : args) {
        if (!onlyFiles && a == QStringLiteral("--json")) {
            json = true;
        } else if (!onlyFiles && a == QStringLiteral("--")) {
            onlyFiles = true;
        } else if (!onlyFiles && a.startsWith(u"--")) {
            return usageError(*this, io);
        } else {
            files.append({ a.toUtf8(), a });
        }
    }
    if (files.isEmpty()) {
        return usageError(*this, io);
    }
    const QList<ProbeOutcome> outcomes = MediaProbe::probe(files, {});
    for (qsizetype i = 0; i < files.size(); ++i) {
        const ProbeOutcome& o = outcomes.at(i);
        if (!o.warning.isEmpty())
            io.err << o.warning << '\n';
        const QFileInfo info(files.at(i).shownPath);
        io.out << (json ? jsonLine(files.at(i).shownPath, info.isFile() ? info.size() : -1, o.facts)
                        : textLine(files.at(i).shownPath, o.facts))
               << '\n';
    }
    return ExitOk;
}
