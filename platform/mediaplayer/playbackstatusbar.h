// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QWidget>

// The status bar: the state text on the left ("再生中", "停止", or the reason a
// file cannot be played) and the position / duration on the right. The time
// keeps its room; the state text gives way and ends in "…".
class PlaybackStatusBar : public QWidget
{
    Q_OBJECT
public:
    explicit PlaybackStatusBar(QWidget* parent = nullptr);

    void setStatus(const QString& text, bool isError);
    QString status() const { return m_status; }
    // Seconds; a negative position hides the time.
    void setTime(double position, double duration);
    QString timeText() const { return m_time; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // "m:ss"; minutes keep counting past an hour.
    static QString formatTime(double seconds);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_status;
    QString m_time;
    bool m_isError = false;
};
