#include "textlist.h"

#include "store/catalogue.h"
#include "store/discnumbers.h"
#include "store/textrules.h"

#include <QHash>

namespace TextList {

namespace {

const QString separator = QString(18, QChar(0xFF0D)) + u'-';

// The movie's disc number as text: a number in its shortest form, a text without its blanks.
QByteArray discKey(const StoredValue& v)
{
    switch (v.kind) {
    case StoredValue::Number:
        return TextRules::shortestDecimal(v.number).toUtf8();
    case StoredValue::Text:
        return TextRules::trimmedUtf8View(v.utf8).toByteArray();
    case StoredValue::Null:
        break;
    }
    return {};
}

void addLine(QByteArray& out, const QString& line)
{
    out.append(line.toUtf8());
    out.append("\r\n");
}

} // namespace

std::optional<QByteArray> build(const Catalogue& catalogue, const QString& today, QString* error)
{
    const auto discs = catalogue.discs(error);
    if (!discs)
        return std::nullopt;

    // One pass over the movies: their title lines, grouped by the text of their disc number.
    QHash<QByteArray, QByteArray> lines;
    const qsizetype name = qsizetype(MovieField::MovieName);
    const qsizetype disc = qsizetype(MovieField::DiskNum);
    const bool read = catalogue.forEachStoredMovie(
        std::nullopt,
        [&](const StoredMovie& m) {
            if (m[disc].kind == StoredValue::Null)
                return true;
            QByteArray& group = lines[discKey(m[disc])];
            group.append("      \xE2\x97\x8E"); // six blanks and the circle mark
            if (m[name].kind == StoredValue::Number)
                group.append(TextRules::shortestDecimal(m[name].number).toUtf8());
            else
                group.append(TextRules::trimmedUtf8View(m[name].utf8));
            group.append("\r\n");
            return true;
        },
        error);
    if (!read)
        return std::nullopt;

    QByteArray out;
    addLine(out, QStringLiteral("*以下数据由ReelShelf Index V1.02建立* ^_^"));
    addLine(out, separator);
    addLine(out, QStringLiteral("*共有%1张光碟数据.").arg(discs->size()));
    addLine(out, QStringLiteral("*本文件建立日期： ") + today);
    addLine(out, separator);
    for (const DiscRecord& d : *discs) {
        const QString number = DiscNumbers::numberOf(d.diskNum);
        QString line = QStringLiteral("⊙碟号") + number;
        if (!d.name.isNull())
            line += u'【' + TextRules::trimBlanks(d.name.toString()) + u'】';
        addLine(out, line);
        if (!d.diskNum.isNull())
            out.append(lines.value(number.toUtf8()));
    }
    out.append("\r\n");
    return out;
}

} // namespace TextList
