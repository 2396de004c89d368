// SPDX-License-Identifier: MIT
#include "mediapropertiesdialog.h"

#include "mediadetails.h"
#include "playback.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

MediaPropertiesDialog::MediaPropertiesDialog(Playback* playback, QWidget* parent)
    : QDialog(parent), m_playback(playback)
{
    setWindowTitle(QStringLiteral("プロパティ"));
    m_table = new QTreeWidget(this);
    m_table->setColumnCount(2);
    m_table->setHeaderLabels({QStringLiteral("項目"), QStringLiteral("内容")});
    m_table->setRootIsDecorated(false);
    m_table->setSelectionMode(QAbstractItemView::NoSelection);
    m_table->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    m_table->setWordWrap(true);

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("閉じる"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* column = new QVBoxLayout(this);
    column->addWidget(m_table);
    column->addWidget(buttons);
    resize(520, 420);

    if (playback) {
        // Only a dialog in view spends time on it.
        const auto follow = [this] {
            if (isVisible())
                refresh();
        };
        connect(playback, &Playback::detailsChanged, this, follow);
        connect(playback, &Playback::tagsChanged, this, follow);
        connect(playback, &Playback::durationChanged, this, follow);
        connect(playback, &Playback::currentEntryChanged, this, follow);
    }
}

void MediaPropertiesDialog::showEvent(QShowEvent* event)
{
    refresh();
    QDialog::showEvent(event);
}

QString MediaPropertiesDialog::value(const QString& name) const
{
    const QList<QTreeWidgetItem*> found = m_table->findItems(name, Qt::MatchExactly, 0);
    return found.isEmpty() ? QString() : found.first()->text(1);
}

void MediaPropertiesDialog::refresh()
{
    m_table->clear();
    const auto section = [this](const QString& title) {
        auto* item = new QTreeWidgetItem(m_table, {title});
        QFont bold = item->font(0);
        bold.setBold(true);
        item->setFont(0, bold);
        item->setFirstColumnSpanned(true);
    };
    const auto row = [this](const QString& name, const QString& value) {
        if (!value.isEmpty())
            new QTreeWidgetItem(m_table, {name, value});
    };
    const Playback* p = m_playback;
    if (!p || p->fileName().isEmpty()) {
        row(QStringLiteral("ファイル"), QStringLiteral("（開いていません）"));
        return;
    }
    section(QStringLiteral("全般"));
    row(QStringLiteral("ファイル"), QDir::toNativeSeparators(p->absolutePath()));
    if (const QString entry = p->entryLocation(); entry != p->absolutePath())
        row(QStringLiteral("再生中の項目"), QDir::toNativeSeparators(entry));
    row(QStringLiteral("形式"), p->fileFormat());
    row(QStringLiteral("長さ"), mediadetails::duration(p->duration()));
    row(QStringLiteral("サイズ"), mediadetails::size(p->fileSize()));
    if (p->fileSize() > 0 && p->duration() > 0)
        row(QStringLiteral("ビットレート"),
            mediadetails::bitRate(qint64(double(p->fileSize()) * 8 / p->duration())));

    const MediaTracks tracks = p->tracks();
    if (!tracks.isEmpty()) {
        section(QStringLiteral("トラック"));
        for (const MediaTrack& track : tracks)
            row(QStringLiteral("%1 %2").arg(mediadetails::typeName(track.type)).arg(track.id),
                mediadetails::summary(track));
    }
    const QVariantMap tags = p->tags();
    if (!tags.isEmpty()) {
        section(QStringLiteral("タグ"));
        for (auto it = tags.cbegin(); it != tags.cend(); ++it)
            row(it.key(), it.value().toString());
    }
}
