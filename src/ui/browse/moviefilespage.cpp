#include "moviefilespage.h"

#include "app/plaintext.h"
#include "media/mediatext.h"
#include "store/textrules.h"

#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

const QString noFiles = QStringLiteral("没有记住这部影片的文件。用魔法向导添加的光盘会记住它们；以前添加的光"
                                       "盘，可以在光盘的右键菜单中选择“重新读取光盘...”。");

} // namespace

MovieFilesPage::MovieFilesPage(QWidget* parent)
    : QWidget(parent)
    , medium_(new QLabel(this))
    , list_(new QTreeWidget(this))
{
    setObjectName(QStringLiteral("PageFiles"));
    medium_->setObjectName(QStringLiteral("LabelMedium"));
    medium_->setWordWrap(true);
    medium_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    list_->setObjectName(QStringLiteral("ListFiles"));
    list_->setRootIsDecorated(false);
    list_->setAlternatingRowColors(true);
    list_->setHeaderLabels(
        { QStringLiteral("段"), QStringLiteral("路径"), QStringLiteral("大小"), QStringLiteral("时长"),
            QStringLiteral("画面"), QStringLiteral("容器"), QStringLiteral("音轨"), QStringLiteral("字幕") });
    list_->header()->setStretchLastSection(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(medium_);
    layout->addWidget(list_, 1);
    clear();
}

void MovieFilesPage::clear()
{
    list_->clear();
    medium_->setText(noFiles);
}

void MovieFilesPage::showFiles(
    const QList<MovieFileRecord>& files, const std::optional<DiscMediumRecord>& medium)
{
    list_->clear();
    if (files.isEmpty()) {
        medium_->setText(noFiles);
        return;
    }
    medium_->setText(medium ? MediaText::medium(*medium) : QString());
    QList<QTreeWidgetItem*> items;
    for (const MovieFileRecord& f : files) {
        QStringList cells { QString::number(f.part), TextRules::decodeFileName(f.path),
            MediaText::size(f.size) };
        if (f.facts)
            cells << MediaText::minutes(*f.facts) << MediaText::picture(*f.facts) << f.facts->container
                  << MediaText::audio(*f.facts) << MediaText::subtitles(*f.facts);
        else
            cells << QStringLiteral("（未能读取）");
        auto* item = new QTreeWidgetItem(cells);
        for (int c = 0; c < cells.size(); ++c)
            item->setToolTip(c, PlainText::tip(cells.at(c)));
        items << item;
    }
    list_->addTopLevelItems(items);
    for (int c = 0; c < list_->columnCount() - 1; ++c)
        list_->resizeColumnToContents(c);
}
