#include "plaintext.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QTextDocument>

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
    // A text Qt would show as typed anyway is left as it is.
    return Qt::mightBeRichText(text) ? Qt::convertFromPlainText(text) : text;
}

} // namespace PlainText
