#pragma once

#include "store/records.h"

#include <QList>
#include <QString>
#include <optional>

class Catalogue;

// One node of the catalogue tree under one of its two roots.
struct DiscNode
{
    QString key; // "Node" or "NodF" + disc number
    QString text; // 碟#12[动作片]
    int icon = 2; // 1-based icon number (see DiscTree::Icon)
    QString discNumber;
    DiscRecord record;
};

// What one rebuild of the tree produces, and the two values the rest of the program reads.
struct DiscTreeData
{
    QList<DiscNode> discs; // under "NodeAll", in stored order
    QList<DiscNode> favourites; // under "NodeFav"
    qint32 highestDiscNumber = 0;
    qint16 favouriteCount = 0;
    bool emptyTable = false;
};

namespace DiscTree {

enum Icon { IconAll = 1, IconGood = 2, IconLent = 3, IconDamaged = 4, IconFavourites = 5 };

inline const QString allKey = QStringLiteral("NodeAll");
inline const QString favKey = QStringLiteral("NodeFav");
inline const QString discPrefix = QStringLiteral("Node");
inline const QString favDiscPrefix = QStringLiteral("NodF");
inline const QString allText = QStringLiteral("所有影碟");
inline const QString favText = QStringLiteral("最爱收藏");
inline const QString emptyMessage = QStringLiteral("光盘数据库还未添加数据,选择'新建'开始添加.");

enum class NodeKind { All, Favourites, Disc, FavouriteDisc, Other };
NodeKind kindOf(const QString& key);

// The disc number a node key carries: the key without its four-character prefix.
QString discNumberOf(const QString& key);

// Icon for a disc's condition; an unknown condition gets the good-condition icon.
int iconForStation(const QVariant& station);
QString nodeText(const QString& discNumber, const QVariant& name);

// Reads the disc table and works out the nodes, the highest disc number and the favourite count.
std::optional<DiscTreeData> load(const Catalogue& catalogue, QString* error);

} // namespace DiscTree
