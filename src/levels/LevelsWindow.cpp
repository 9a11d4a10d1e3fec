#include "levels/LevelsWindow.h"

#include <QAccessibleWidget>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "audiolib.h"
#include "widgets/LevelMeter.h"

namespace {

// A window of its own to a screen reader: a plain widget reads as a filler.
QAccessibleInterface* LevelsWindowAccessibleFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("TLevelsWindow") && object && object->isWidgetType())
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Window);
    return nullptr;
}

} // namespace

TLevelsWindow::TLevelsWindow(QWidget* parent) : QWidget(parent, Qt::Tool) {
    static const bool readable = (QAccessible::installFactory(LevelsWindowAccessibleFactory), true);
    (void)readable;
    setObjectName("LevelsWindow");
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(8, 8, 8, 8);
    scale_ = new QLabel(this);
    scale_->setAlignment(Qt::AlignRight);
    outer->addWidget(scale_);
    empty_ = new QLabel(this);
    outer->addWidget(empty_);
    list_ = new QVBoxLayout;
    list_->setSpacing(2);
    outer->addLayout(list_);
    outer->addStretch();
    timer_.setInterval(IntervalMs);
    connect(&timer_, &QTimer::timeout, this, [this] { Read(); });
    clock_.start();
    Retranslate();
    resize(420, 200);
}

void TLevelsWindow::Retranslate() {
    setWindowTitle(tr("レベル"));
    scale_->setText(tr("ピーク (dBFS、-60 から 0)。赤い印はクリップ: クリックで消えます"));
    empty_->setText(tr("読み込まれたチャンネルはありません"));
    for (auto& [n, row] : rows_)
        Name(row);
}

void TLevelsWindow::Name(Row& row) {
    const TMeteredChannel& c = row.Channel;
    row.Number->setText(QStringLiteral("%1").arg(c.Number, 2, 10, QLatin1Char('0')));
    row.File->setText(c.File);
    row.Meter->setAccessibleName(tr("チャンネル %1 のレベル").arg(c.Number));
    row.Meter->setAccessibleDescription(
        tr("%1。ピークを dBFS で示します。スペースでクリップの印を消します").arg(c.File));
}

void TLevelsWindow::SetChannels(const std::vector<TMeteredChannel>& channels) {
    std::map<int, const TMeteredChannel*> wanted;
    for (const auto& c : channels)
        wanted[c.Number] = &c;
    for (auto it = rows_.begin(); it != rows_.end();) {
        const auto w = wanted.find(it->first);
        if (w == wanted.end() || w->second->Handle != it->second.Channel.Handle) {
            delete it->second.Line;
            it = rows_.erase(it);
        } else {
            ++it;
        }
    }
    for (const auto& [n, c] : wanted) {
        auto found = rows_.find(n);
        if (found != rows_.end()) {
            if (!(found->second.Channel == *c)) {
                found->second.Channel = *c;
                Name(found->second);
            }
            continue;
        }
        Row row;
        row.Channel = *c;
        row.Line = new QWidget(this);
        auto* line = new QHBoxLayout(row.Line);
        line->setContentsMargins(0, 0, 0, 0);
        row.Number = new QLabel(row.Line);
        row.File = new QLabel(row.Line);
        row.File->setFixedWidth(140);
        row.Meter = new TLevelMeter(row.Line);
        row.Number->setBuddy(row.Meter);
        line->addWidget(row.Number);
        line->addWidget(row.File);
        line->addWidget(row.Meter, 1);
        Name(row);
        // In channel order: after every row of a lower channel.
        int at = 0;
        for (const auto& [m, other] : rows_)
            at += m < n ? 1 : 0;
        list_->insertWidget(at, row.Line);
        rows_.emplace(n, row);
    }
    // The tab order follows the channels.
    QWidget* previous = nullptr;
    for (auto& [n, row] : rows_) {
        if (previous)
            setTabOrder(previous, row.Meter);
        previous = row.Meter;
    }
    empty_->setVisible(rows_.empty());
}

TLevelMeter* TLevelsWindow::Meter(int n) const {
    const auto it = rows_.find(n);
    return it == rows_.end() ? nullptr : it->second.Meter;
}

void TLevelsWindow::Wake() {
    if (!isVisible() || timer_.isActive())
        return;
    for (const auto& [n, row] : rows_)
        if (BASS_ChannelIsActive(row.Channel.Handle) == BASS_ACTIVE_PLAYING ||
            !row.Meter->Ballistics().Resting()) {
            timer_.start();
            return;
        }
}

void TLevelsWindow::Read() {
    ++readings_;
    const double now = static_cast<double>(clock_.nsecsElapsed()) * 1e-9;
    bool moving = false;
    for (auto& [n, row] : rows_) {
        const uint32_t handle = row.Channel.Handle;
        DWORD level = AUDIOLIB_ChannelGetLevel(handle);
        if (level == DWORD(-1))
            level = 0;
        row.Meter->Feed(level, now);
        moving = moving || BASS_ChannelIsActive(handle) == BASS_ACTIVE_PLAYING ||
                 !row.Meter->Ballistics().Resting();
    }
    if (!moving)
        timer_.stop();
}

void TLevelsWindow::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    if (event->isAccepted())
        emit closedByUser();
}

void TLevelsWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    Wake();
}

void TLevelsWindow::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    timer_.stop();
}
