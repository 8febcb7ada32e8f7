#pragma once

#include <QString>
#include <QStringList>

class Settings;

// The wizard's switches for names, read once before a scan so that the scan itself does not
// touch the settings file (and may run on another thread).
struct ScanSwitches
{
    bool editByHand = true; // EditByHand not 0: names are left for the user to edit
    bool ridofCD = false;
    bool ridofBbs = false;
    bool ridofDot = false;
    bool autoSelect = false; // join the parts of one movie after the scan

    static ScanSwitches fromSettings(const Settings& settings);
};

namespace NameCleaning {

// The forum and the download site whose tags downloaded names carry.
inline QString forumDomain()
{
    return QStringLiteral("btchina.net");
}
inline QString siteName()
{
    return QStringLiteral("电影天堂");
}

// "CD1" to "CD5", then "cd1" to "cd5": the order they are removed in.
const QStringList& partMarks();
// The forum tag in its three letter-case forms, the site's name, then "【ＤＲＭ】".
const QStringList& sourceTags();

// Every occurrence of each text, in list order, compared exactly.
QString removeAll(QString name, const QStringList& texts);
QString removePartMarks(const QString& name);
QString removeSourceTags(const QString& name);
// Removes every "." but the last one.
QString removeExtraDots(const QString& name);

// The name the wizard proposes for a file name as found.
QString cleanName(const QString& foundName, const ScanSwitches& switches);

} // namespace NameCleaning
