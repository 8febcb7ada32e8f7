#include "settingschoices.h"

#include "store/catalogue.h"
#include "store/colournumber.h"
#include "store/settings.h"
#include "store/textrules.h"

namespace {

QString key(const char* name)
{
    return QString::fromLatin1(name);
}

QString columnKey(int i)
{
    return QStringLiteral("Colum") + QString::number(i);
}

QString flag(bool on)
{
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

} // namespace

SettingsChoices SettingsChoices::fromSettings(const Settings& settings)
{
    const QString main = Settings::mainSection();
    SettingsChoices c;
    c.customDrive = settings.text(main, key("Customdrive"));
    // Manual only for exactly "1"; anything else selects the automatic option.
    c.editByHand = settings.text(main, key("EditByHand")) == u"1";
    c.autoSelect = settings.isOn(main, key("AutoSelect"));
    c.ridofBbs = settings.isOn(main, key("RidofBbs"));
    c.ridofCD = settings.isOn(main, key("RidofCD"));
    c.ridofDot = settings.isOn(main, key("RidofDot"));
    c.autoOpen = settings.isOn(main, key("AutoOpen"));
    c.magicSelect = settings.isOn(main, key("MagicSelect4V"));
    c.colours[0] = ColourNumber::text(settings.colour(key("Setcolor1")));
    c.colours[1] = ColourNumber::text(settings.colour(key("Setcolor2")));
    for (int i = 0; i < columnCount; ++i)
        c.columns[size_t(i)] = settings.isOn(Settings::columnSection(), columnKey(i));
    return c;
}

QList<SettingsChoices::FileType> SettingsChoices::fileTypesOf(const QList<FileTypeRecord>& records)
{
    QList<FileType> out;
    out.reserve(records.size());
    for (const FileTypeRecord& r : records) {
        FileType t;
        t.rowId = r.rowId;
        t.name = TextRules::trimBlanks(r.filetype.toString());
        if (!r.memo.isNull())
            t.memo = TextRules::trimBlanks(r.memo.toString());
        t.selected = !r.selected.isNull() && TextRules::trimBlanks(r.selected.toString()) == u"Yes";
        out.append(t);
    }
    return out;
}

QList<IniFile::Write> SettingsChoices::iniWrites() const
{
    const QString main = Settings::mainSection();
    QList<IniFile::Write> w = {
        { main, key("Customdrive"), customDrive },
        { main, key("EditByHand"), flag(editByHand) },
        { main, key("AutoSelect"), flag(autoSelect) },
        { main, key("RidofDot"), flag(ridofDot) },
        { main, key("RidofCD"), flag(ridofCD) },
        { main, key("RidofBbs"), flag(ridofBbs) },
        { main, key("AutoOpen"), flag(autoOpen) },
        { main, key("Setcolor1"), colours[0] },
        { main, key("Setcolor2"), colours[1] },
    };
    for (int i = 0; i < columnCount; ++i)
        w.append({ Settings::columnSection(), columnKey(i), flag(columns[size_t(i)]) });
    w.append({ main, key("MagicSelect4V"), flag(magicSelect) });
    return w;
}

bool SettingsChoices::isDefaultColumn(int i)
{
    return (i >= 0 && i <= 7) || i == 12 || i == 13;
}

bool applySettings(
    const SettingsChoices& choices, const QString& iniPath, Catalogue& catalogue, QString* error)
{
    QString problem;
    if (!IniFile::writeIniStrings(choices.iniWrites(), iniPath, &problem)) {
        if (error)
            *error = QStringLiteral("设置没有保存：%1").arg(problem);
        return false;
    }
    QList<std::pair<qint64, bool>> selected;
    selected.reserve(choices.fileTypes.size());
    for (const SettingsChoices::FileType& t : choices.fileTypes)
        selected.append({ t.rowId, t.selected });
    if (!catalogue.setFileTypesSelected(selected, &problem)) {
        if (error)
            *error = QStringLiteral("设置已保存，但影视文件格式的选择没有保存：%1").arg(problem);
        return false;
    }
    return true;
}
