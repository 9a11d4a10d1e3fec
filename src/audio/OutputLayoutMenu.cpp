// The output layout in the audio menu: the choice kept in the settings, and
// a note while it differs from the layout this run plays with.
#include <QActionGroup>
#include <QMenu>
#include <QSettings>

#include "app/AudioMenu.h"
#include "app/PNAP.h"
#include "audio/OutputLayout.h"

namespace {

const char* const LayoutKey = "audio/outputLayout";

QSettings UserSettings() {
    return QSettings("PhonaraPlayer", "PhonaraPlayer");
}

TOutputLayout StoredLayout() {
    return OutputLayoutOfWord(UserSettings().value(LayoutKey).toString().toStdString())
        .value_or(TOutputLayout::Automatic);
}

} // namespace

TOutputLayout KeptOutputLayout() {
    return StoredLayout();
}

void TFrmPhonaraPlayer::BuildOutputLayoutMenu() {
    MenuOutputLayout = new QMenu(MenuAudio);
    // After the headphone modes and their data sets, before the status line.
    InsertAboveAudioStatus(MenuAudio, {MenuOutputLayout->menuAction()});
    auto* group = new QActionGroup(MenuOutputLayout);
    group->setExclusive(true);
    for (const TOutputLayout layout : OutputLayouts()) {
        QAction* item = MenuOutputLayout->addAction(QString());
        item->setCheckable(true);
        item->setData(QString::fromLatin1(OutputLayoutWord(layout)));
        group->addAction(item);
        connect(item, &QAction::triggered, this, [this, layout] {
            UserSettings().setValue(LayoutKey, QString::fromLatin1(OutputLayoutWord(layout)));
            RefreshOutputLayoutMenu();
        });
        // Ambisonics after the speaker layouts.
        if (layout == TOutputLayout::Surround71)
            MenuOutputLayout->addSeparator();
    }
    MenuOutputLayout->addSeparator();
    OutputLayoutNote = MenuOutputLayout->addAction(QString());
    OutputLayoutNote->setEnabled(false);
    RefreshOutputLayoutMenu();
}

void TFrmPhonaraPlayer::RetranslateOutputLayoutMenu() {
    MenuOutputLayout->setTitle(tr("出力レイアウト(&L)"));
    for (QAction* item : MenuOutputLayout->actions()) {
        const auto layout = OutputLayoutOfWord(item->data().toString().toStdString());
        if (!layout)
            continue;
        switch (*layout) {
        case TOutputLayout::Automatic:
            item->setText(tr("自動 (出力装置のまま)"));
            break;
        case TOutputLayout::Headphones:
            item->setText(tr("ヘッドホン (バイノーラル)"));
            break;
        case TOutputLayout::Stereo:
            item->setText(tr("ステレオ"));
            break;
        case TOutputLayout::Quad:
            item->setText(tr("クアッド"));
            break;
        case TOutputLayout::Surround51:
            item->setText(tr("5.1 (センターあり)"));
            break;
        case TOutputLayout::Surround71:
            item->setText(tr("7.1 (センターあり)"));
            break;
        case TOutputLayout::Ambix1:
            item->setText(tr("Ambisonics 1 次 (AmbiX、外部デコーダー用)"));
            break;
        case TOutputLayout::Ambix2:
            item->setText(tr("Ambisonics 2 次 (AmbiX、外部デコーダー用)"));
            break;
        case TOutputLayout::Ambix3:
            item->setText(tr("Ambisonics 3 次 (AmbiX、外部デコーダー用)"));
            break;
        }
    }
    RefreshOutputLayoutMenu();
}

void TFrmPhonaraPlayer::SetRunningOutputLayout(TOutputLayout layout) {
    RunningOutputLayout = layout;
    RefreshOutputLayoutMenu();
}

void TFrmPhonaraPlayer::RefreshOutputLayoutMenu() {
    const TOutputLayout stored = StoredLayout();
    QString running;
    for (QAction* item : MenuOutputLayout->actions()) {
        const auto layout = OutputLayoutOfWord(item->data().toString().toStdString());
        if (!layout)
            continue;
        item->setChecked(*layout == stored);
        if (*layout == RunningOutputLayout)
            running = QString(item->text()).remove("&");
    }
    OutputLayoutNote->setText(tr("次回の起動から有効になります (いまは %1)").arg(running));
    OutputLayoutNote->setVisible(stored != RunningOutputLayout);
    // Headphone 3D needs a stereo output: a layout that names the speakers
    // decides it (ApplyStoredHrtf), and the modes show what it decided.
    const bool free = RunningOutputLayout == TOutputLayout::Automatic;
    for (QAction* mode : {HrtfAuto, HrtfOn, HrtfOff})
        mode->setEnabled(free);
    if (!free)
        (RunningOutputLayout == TOutputLayout::Headphones ? HrtfOn : HrtfOff)->setChecked(true);
}
