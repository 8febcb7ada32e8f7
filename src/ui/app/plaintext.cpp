#include "plaintext.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <limits>

namespace {

// Sees each widget once, as it is polished before it is first shown, and Qt's own dialogs'
// labels with them.
class LabelGuard : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Polish)
            if (auto* label = qobject_cast<QLabel*>(watched); label && label->textFormat() == Qt::AutoText)
                label->setTextFormat(Qt::PlainText);
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

namespace PlainText {

void guardLabels(QApplication& app)
{
    app.installEventFilter(new LabelGuard(&app));
}

QString tip(const QString& text)
{
    // The label guard has made the tooltip plain text before it takes its text (Qt polishes it
    // first), so escaping here would show the escapes. A title of 40,000 characters would make a
    // tooltip hundreds of screens wide or high, and slow to lay out on every hover.
    constexpr qsizetype longest = 300;
    if (text.size() <= longest)
        return text;
    const qsizetype cut = text.at(longest - 1).isHighSurrogate() ? longest - 1 : longest;
    return text.left(cut) + u'…';
}

void holdAnyLength(QLineEdit* edit)
{
    edit->setMaxLength(std::numeric_limits<int>::max());
}

} // namespace PlainText
