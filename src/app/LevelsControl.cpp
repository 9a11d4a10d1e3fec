// The Levels window's place in the program: its item in the audio menu, its
// meters kept in step with the loaded channels, and whether it is open kept
// between runs.
#include <QAction>
#include <QMenu>
#include <QSettings>

#include "app/AudioMenu.h"
#include "app/PNAP.h"
#include "channels/Sources.h"
#include "levels/LevelsWindow.h"
#include "playlist/PathRules.h"

namespace {

QSettings UserSettings() {
    return QSettings("PhonaraPlayer", "PhonaraPlayer");
}

const char* const LevelsOpenKey = "levels/open";

} // namespace

void TFrmPhonaraPlayer::BuildLevelsMenu() {
    LevelsWindow = new TLevelsWindow(this);
    LevelsWindow->setFont(font());
    LevelsAction = new QAction(this); // caption: RetranslateLevelsMenu
    LevelsAction->setCheckable(true);
    LevelsAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_L));
    connect(LevelsAction, &QAction::triggered, this, [this](bool on) { Levels1Click(on); });
    connect(LevelsWindow, &TLevelsWindow::closedByUser, this, [this] {
        LevelsAction->setChecked(false);
        UserSettings().setValue(LevelsOpenKey, false);
    });
    InsertAboveAudioStatus(MenuAudio, {LevelsAction});
    // The key works also while the menu is not open.
    addAction(LevelsAction);
}

void TFrmPhonaraPlayer::RetranslateLevelsMenu() {
    LevelsAction->setText(tr("レベル(&L)"));
    LevelsWindow->Retranslate();
}

void TFrmPhonaraPlayer::Levels1Click(bool show) {
    LevelsAction->setChecked(show);
    UserSettings().setValue(LevelsOpenKey, show);
    if (show) {
        if (!LevelsWindow->isVisible())
            LevelsWindow->move(frameGeometry().topRight() + QPoint(8, 0));
        LevelsWindow->show();
        LevelsWindow->raise();
        ShowLevels();
    } else {
        LevelsWindow->hide();
    }
}

void TFrmPhonaraPlayer::RestoreLevelsWindow() {
    if (UserSettings().value(LevelsOpenKey, false).toBool())
        Levels1Click(true);
}

void TFrmPhonaraPlayer::ShowLevels() {
    if (!LevelsWindow || !LevelsWindow->isVisible())
        return;
    std::vector<TMeteredChannel> channels;
    for (int n = 1; n <= ChannelCount; ++n)
        if (Sources[n].Loaded)
            channels.push_back({n, Sources[n].Handle,
                                QString::fromStdString(FileNameOfPath(Sources[n].FileName))});
    LevelsWindow->SetChannels(channels);
    LevelsWindow->Wake();
}
