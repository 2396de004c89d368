// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QWidget>

// The clip-information panel: the title on the first line, artist and album
// below it as far as the height allows (three lines, two with artist and album
// joined, or the title alone). Lines never wrap; long texts end in "…" and the
// tooltip carries them in full.
class ClipInfoPanel : public QWidget
{
    Q_OBJECT
public:
    explicit ClipInfoPanel(QWidget* parent = nullptr);

    // An empty title shows a dim "no file" note instead.
    void setClip(const QString& title, const QString& artist, const QString& album);
    QString title() const { return m_title; }
    QString artist() const { return m_artist; }
    QString album() const { return m_album; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_title;
    QString m_artist;
    QString m_album;
};
