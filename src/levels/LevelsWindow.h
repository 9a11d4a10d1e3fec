// The Levels window: one meter per loaded channel, in channel order, each
// labelled with the channel's number and file. It reads the audio library's
// levels at most 30 times a second while a channel plays, and rests (no timer)
// once nothing plays and every meter has fallen back.
#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <map>
#include <vector>

class QLabel;
class QVBoxLayout;
class TLevelMeter;

struct TMeteredChannel {
    int Number = 0;      // 1..32
    uint32_t Handle = 0; // the library's channel
    QString File;        // its file name, as the grid shows it
    bool operator==(const TMeteredChannel&) const = default;
};

class TLevelsWindow : public QWidget {
    Q_OBJECT
public:
    // Milliseconds between readings: at most 30 a second.
    static constexpr int IntervalMs = 34;

    explicit TLevelsWindow(QWidget* parent = nullptr);

    // The loaded channels, in channel order. Meters of channels that stay
    // keep their peak hold and clip light.
    void SetChannels(const std::vector<TMeteredChannel>& channels);
    // Something may play now: read levels until it has stopped.
    void Wake();
    void Retranslate();

    TLevelMeter* Meter(int n) const; // channel n's meter, null when not loaded
    bool Reading() const { return timer_.isActive(); }
    long Readings() const { return readings_; } // timer ticks so far

signals:
    void closedByUser();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void Read();
    struct Row {
        TMeteredChannel Channel;
        QWidget* Line = nullptr;
        QLabel* Number = nullptr;
        QLabel* File = nullptr;
        TLevelMeter* Meter = nullptr;
    };
    void Name(Row& row);
    std::map<int, Row> rows_;
    QVBoxLayout* list_ = nullptr;
    QLabel* scale_ = nullptr;
    QLabel* empty_ = nullptr;
    QTimer timer_;
    QElapsedTimer clock_;
    long readings_ = 0;
};
