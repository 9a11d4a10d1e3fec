// The Edit menu: a step back and forward through what the user did by hand,
// and the M key that mutes and unmutes the selected channels from the window.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QSlider>
#include <algorithm>

#include "app/PNAP.h"
#include "channels/ChannelLevels.h"
#include "channels/Placing.h"
#include "channels/Sources.h"
#include "spatial/Markers.h"
#include "spatial/Spatial.h"
#include "undo/UndoHistory.h"
#include "widgets/Marker.h"
#include "widgets/StringGrid.h"

void TFrmPhonaraPlayer::BuildEditMenu() {
    History = new TUndoHistory(this);
    History->Seam = &Arrangement;
    Arrangement.Observe([this](const TChange& c) { History->Recorder.Note(c); });
    History->onApplied = [this] {
        // The bars and labels show the current channel where it now stands.
        bool canSelect = true;
        StringGrid1SelectCell(1, StringGrid1->row(), canSelect);
        RepaintGrid();
    };
    // A file gone since stays gone; the slot keeps what it holds.
    History->onMissing = [this](const std::vector<std::string>& files) {
        QStringList missing;
        for (const std::string& f : files)
            missing << QString::fromStdString(f);
        QMessageBox::warning(this, QApplication::applicationDisplayName(),
                             tr("次のファイルを読み込めませんでした:\n%1").arg(missing.join('\n')));
    };

    // Captions: RetranslateEditMenu.
    MenuEdit = MainMenu1->addMenu(QString());
    UndoAction = new QAction(this);
    UndoAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    RedoAction = new QAction(this);
    RedoAction->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    MuteAction = new QAction(this);
    MuteAction->setShortcut(QKeySequence(Qt::Key_M));
    connect(UndoAction, &QAction::triggered, this, [this] { History->Undo(); });
    connect(RedoAction, &QAction::triggered, this, [this] { History->Redo(); });
    connect(MuteAction, &QAction::triggered, this, [this] { MuteSelectedClick(); });
    MenuEdit->addAction(UndoAction);
    MenuEdit->addAction(RedoAction);
    MenuEdit->addSeparator();
    MenuEdit->addAction(MuteAction);

    const auto refresh = [this] { RetranslateEditMenu(); };
    connect(&History->Stack, &QUndoStack::indexChanged, this, refresh);
    connect(&History->Stack, &QUndoStack::undoTextChanged, this, refresh);
    connect(&History->Stack, &QUndoStack::redoTextChanged, this, refresh);
}

void TFrmPhonaraPlayer::RetranslateEditMenu() {
    // Alt+E belongs to the environment box.
    MenuEdit->setTitle(tr("編集(&T)"));
    MuteAction->setText(tr("選択したチャンネルのミュートを切り替え"));
    // Each item names the step it takes, in the language of the moment.
    const QUndoStack& stack = History->Stack;
    const int at = stack.index();
    UndoAction->setText(stack.canUndo() ? tr("元に戻す: %1").arg(History->TextOf(at - 1))
                                        : tr("元に戻す"));
    RedoAction->setText(stack.canRedo() ? tr("やり直し: %1").arg(History->TextOf(at))
                                        : tr("やり直し"));
    UndoAction->setEnabled(stack.canUndo());
    RedoAction->setEnabled(stack.canRedo());
}

TArrangement TFrmPhonaraPlayer::CurrentArrangement() const {
    TArrangement a;
    for (int n = 1; n <= ChannelCount; ++n) {
        const TSource& s = Sources[n];
        TChannelArrangement& c = a.Channel(n);
        c.Loaded = s.Loaded;
        if (s.Loaded)
            c.FileName = s.FileName;
        // A source on its motion path is where the user put it.
        c.Position = RestPosition(n);
        if (const TMotionPath* path = ChannelMotion(n))
            c.Path = *path;
    }
    a.ReverbLevel = appliedReverbLevel_;
    a.Environment = appliedEnvironment_;
    return a;
}

void TFrmPhonaraPlayer::MuteSelectedClick() {
    // Every key that reaches the grid is its last key; M does not stop there.
    if (QApplication::focusWidget() == StringGrid1)
        LastGridKey = Qt::Key_M;
    std::vector<int> chosen;
    for (int n = 1; n <= ChannelCount; ++n)
        if (Sources[n].Loaded && IsChannelSelected(n))
            chosen.push_back(n);
    // Any of them playing aloud: all fall silent; all silent: all sound again.
    const bool mute =
        std::any_of(chosen.begin(), chosen.end(), [](int n) { return !ChannelLevels[n].Muted; });
    for (int n : chosen)
        Arrangement.Mute(n, mute, TOrigin::Key);
}

void TFrmPhonaraPlayer::ShowChannelLevel(int n) {
    FrontMarkers[n]->setHollow(ChannelLevels[n].Muted);
    TopMarkers[n]->setHollow(ChannelLevels[n].Muted);
}
