// One channel's level meter: a bar on a dBFS scale with a peak-hold mark and a
// clip light that stays lit until clicked (or Space pressed on the meter).
// Screen readers read it as a level indicator whose value is the last peak in
// dBFS. It repaints only when what it draws changes.
#pragma once

#include <QWidget>

#include "levels/MeterBallistics.h"

class TLevelMeter : public QWidget {
    Q_OBJECT
public:
    explicit TLevelMeter(QWidget* parent = nullptr);

    // A reading of AUDIOLIB_ChannelGetLevel taken at now (seconds).
    void Feed(uint32_t level, double now);
    const TMeterBallistics& Ballistics() const { return ballistics_; }
    void ResetClip();
    // The peak as a screen reader says it: "-6.0 dBFS", or silence.
    QString ValueText() const;
    // Where the clip light is drawn (for clicks).
    QRect ClipLightRect() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    int PixelOf(double db) const; // x of a level on the bar
    TMeterBallistics ballistics_;
    // What was drawn last: a new reading repaints only when one moves.
    int drawnBar_ = -1, drawnHold_ = -1;
    bool drawnClip_ = false;
};
