#include "namecleaning.h"

#include "store/settings.h"

ScanSwitches ScanSwitches::fromSettings(const Settings& settings)
{
    const QString section = Settings::mainSection();
    ScanSwitches s;
    s.editByHand = settings.switchNumber(section, QStringLiteral("EditByHand")) != 0;
    s.ridofCD = settings.isOn(section, QStringLiteral("RidofCD"));
    s.ridofBbs = settings.isOn(section, QStringLiteral("RidofBbs"));
    s.ridofDot = settings.isOn(section, QStringLiteral("RidofDot"));
    s.autoSelect = settings.isOn(section, QStringLiteral("AutoSelect"));
    return s;
}

namespace NameCleaning {

const QStringList& partMarks()
{
    static const QStringList marks = { QStringLiteral("CD1"), QStringLiteral("CD2"), QStringLiteral("CD3"),
        QStringLiteral("CD4"), QStringLiteral("CD5"), QStringLiteral("cd1"), QStringLiteral("cd2"),
        QStringLiteral("cd3"), QStringLiteral("cd4"), QStringLiteral("cd5") };
    return marks;
}

const QStringList& sourceTags()
{
    static const QStringList tags = {
        QStringLiteral("(BBS.") + forumDomain().toUpper() + u')',
        QStringLiteral("(BBS.") + forumDomain().toLower() + u')',
        QStringLiteral("(bbs.") + forumDomain().toLower() + u')',
        siteName(),
        QStringLiteral("\u3010\uFF24\uFF32\uFF2D\u3011"),
    };
    return tags;
}

QString removeAll(QString name, const QStringList& texts)
{
    for (const QString& t : texts)
        name.remove(t, Qt::CaseSensitive);
    return name;
}

QString removePartMarks(const QString& name)
{
    return removeAll(name, partMarks());
}

QString removeSourceTags(const QString& name)
{
    return removeAll(name, sourceTags());
}

QString removeExtraDots(const QString& name)
{
    const qsizetype last = name.lastIndexOf(u'.');
    if (last <= 0)
        return name;
    QString out = name.left(last);
    out.remove(u'.');
    return out + name.mid(last);
}

QString cleanName(const QString& foundName, const ScanSwitches& switches)
{
    if (switches.editByHand)
        return foundName;
    QString name = foundName;
    if (switches.ridofCD)
        name = removePartMarks(name);
    if (switches.ridofBbs)
        name = removeSourceTags(name);
    if (switches.ridofDot)
        name = removeExtraDots(name);
    return name;
}

} // namespace NameCleaning
