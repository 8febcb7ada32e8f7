#pragma once

#include <QList>
#include <QString>
#include <atomic>

// Which catalogued disc a mounted medium (any folder, or a disc image file) is: by the volume UUID
// when a disc remembers one and the medium has one, otherwise by its files: the share of a disc's remembered
// files found under the root with the same path and size. A disc whose share is at least 0.9 matches; the
// best wins, and an equal best is a tie.
namespace Identify {

inline constexpr double matchingShare = 0.9;

struct Candidate
{
    QString disc;
    QString name;
    QString by; // "uuid" or "files"
    double share = 0; // of the disc's remembered files found; -1: not known (no files to compare)
};

struct Result
{
    enum Status { Found, Unknown, Tie, Failed };
    Status status = Unknown;
    QList<Candidate> candidates; // the one found, or the tied ones
    QString error; // for Failed
};

// `stop` ends the walk of a large medium early; what was found then is no answer (Failed).
Result identify(const QString& catalogueFile, const QString& root, const std::atomic<bool>* stop = nullptr);

inline const QString stoppedMessage = QStringLiteral("已停止识别光盘。");
inline const QString unknownMessage = QStringLiteral("这张光盘还没有登记。");
QString tieMessage(const QList<Candidate>& tied);
// "碟#12 [名称]", as the status line and messages name a disc.
QString discLabel(const QString& number, const QString& name);

} // namespace Identify
