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

QList<IniFile::Write> SettingsChoices::iniWrites(const SettingsChoices* shown) const
{
    const QString main = Settings::mainSection();
    QList<IniFile::Write> w;
    const auto add
        = [&](const QString& section, const char* name, const QString& value, const QString& before) {
              w.append({ section, key(name), value, shown && value == before });
          };
    const SettingsChoices& was = shown ? *shown : *this;
    add(main, "Customdrive", customDrive, was.customDrive);
    add(main, "EditByHand", flag(editByHand), flag(was.editByHand));
    add(main, "AutoSelect", flag(autoSelect), flag(was.autoSelect));
    add(main, "RidofDot", flag(ridofDot), flag(was.ridofDot));
    add(main, "RidofCD", flag(ridofCD), flag(was.ridofCD));
    add(main, "RidofBbs", flag(ridofBbs), flag(was.ridofBbs));
    add(main, "AutoOpen", flag(autoOpen), flag(was.autoOpen));
    add(main, "Setcolor1", colours[0], was.colours[0]);
    add(main, "Setcolor2", colours[1], was.colours[1]);
    for (int i = 0; i < columnCount; ++i) {
        const bool on = columns[size_t(i)];
        w.append(
            { Settings::columnSection(), columnKey(i), flag(on), shown && on == was.columns[size_t(i)] });
    }
    add(main, "MagicSelect4V", flag(magicSelect), flag(was.magicSelect));
    return w;
}

QString SettingsChoices::fileProblem(const QString& iniPath)
{
    IniFile::Document document;
    QString problem;
    IniFile::load(iniPath, &document, &problem, IniFile::Moment::Open);
    return problem;
}

bool SettingsChoices::isDefaultColumn(int i)
{
    return (i >= 0 && i <= 7) || i == 12 || i == 13;
}

bool applySettings(const SettingsChoices& choices, const QString& iniPath, Catalogue& catalogue,
    QString* error, const SettingsChoices* shown)
{
    QString problem;
    if (!IniFile::writeIniStrings(choices.iniWrites(shown), iniPath, &problem)) {
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
