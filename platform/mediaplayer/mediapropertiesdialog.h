// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>
#include <QPointer>

class Playback;
class QTreeWidget;

// プロパティ: what the playing file is — its path, container, length, size and
// bit rate, each stream with its codec and picture or sound, and its tags.
// Modeless; it follows the playback while it is shown (another entry, tags or
// tracks arriving later). UI thread only.
class MediaPropertiesDialog : public QDialog
{
    Q_OBJECT
public:
    MediaPropertiesDialog(Playback* playback, QWidget* parent);

    // Rows as shown: a section's title in column 0, or a name and its value.
    QTreeWidget* table() const { return m_table; }
    // The value shown for `name` (e.g. "形式"), empty when there is none.
    QString value(const QString& name) const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void refresh();

    QPointer<Playback> m_playback;
    QTreeWidget* m_table = nullptr;
};
