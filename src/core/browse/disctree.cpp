#include "disctree.h"

#include "store/catalogue.h"
#include "store/discnumbers.h"
#include "store/textrules.h"

#include <cmath>

namespace DiscTree {

NodeKind kindOf(const QString& key)
{
    if (key == allKey)
        return NodeKind::All;
    if (key == favKey)
        return NodeKind::Favourites;
    if (key.startsWith(discPrefix))
        return NodeKind::Disc;
    if (key.startsWith(favDiscPrefix))
        return NodeKind::FavouriteDisc;
    return NodeKind::Other;
}

QString discNumberOf(const QString& key)
{
    return key.mid(4);
}

int iconForStation(const QVariant& station)
{
    if (station.isNull())
        return IconGood;
    const QString s = TextRules::trimBlanks(station.toString());
    if (s == QStringLiteral("外借"))
        return IconLent;
    if (s == QStringLiteral("破损"))
        return IconDamaged;
    return IconGood;
}

QString nodeText(const QString& discNumber, const QVariant& name)
{
    QString text = QStringLiteral("碟#") + discNumber;
    if (!name.isNull()) {
        const QString n = TextRules::trimBlanks(name.toString());
        if (!n.isEmpty())
            text += u'[' + n + u']';
    }
    return text;
}

std::optional<DiscTreeData> load(const Catalogue& catalogue, QString* error)
{
    const auto records = catalogue.discs(error);
    if (!records)
        return std::nullopt;
    DiscTreeData data;
    data.emptyTable = records->isEmpty();
    double highest = 0;
    for (const DiscRecord& r : *records) {
        if (r.diskNum.isNull())
            continue;
        DiscNode node;
        node.discNumber = DiscNumbers::numberOf(r.diskNum);
        node.key = discPrefix + node.discNumber;
        node.text = nodeText(node.discNumber, r.name);
        node.icon = iconForStation(r.station);
        node.record = r;
        data.discs.append(node);
        const double number = r.diskNum.typeId() == QMetaType::QString
            ? TextRules::numericValue(r.diskNum.toString())
            : r.diskNum.toDouble();
        if (std::isfinite(number))
            highest = std::max(highest, std::round(number));
        if (!r.fav.isNull() && TextRules::trimBlanks(r.fav.toString()) == QStringLiteral("Yes")) {
            node.key = favDiscPrefix + node.discNumber;
            data.favourites.append(node);
        }
    }
    data.highestDiscNumber = TextRules::toInt32(highest);
    data.favouriteCount = qint16(std::min<qsizetype>(data.favourites.size(), 32767));
    return data;
}

} // namespace DiscTree
