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
    History->capture = [this] { return CurrentArrangement(); };
    History->restore = [this](const TArrangement& target) { RestoreArrangement(target); };

    // Alt+E belongs to the environment box.
    MenuEdit = MainMenu1->addMenu(tr("編集(&T)"));
    Undo1 = new QAction(this);
    Undo1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    Redo1 = new QAction(this);
    Redo1->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    Mute1 = new QAction(tr("選択したチャンネルのミュートを切り替え"), this);
    Mute1->setShortcut(QKeySequence(Qt::Key_M));
    connect(Undo1, &QAction::triggered, this, [this] { History->Undo(); });
    connect(Redo1, &QAction::triggered, this, [this] { History->Redo(); });
    connect(Mute1, &QAction::triggered, this, [this] { Mute1Click(); });
    MenuEdit->addAction(Undo1);
    MenuEdit->addAction(Redo1);
    MenuEdit->addSeparator();
    MenuEdit->addAction(Mute1);

    // Each item names the step it takes.
    const auto refresh = [this] {
        const QUndoStack& stack = History->Stack;
        Undo1->setText(stack.canUndo() ? tr("元に戻す: %1").arg(stack.undoText()) : tr("元に戻す"));
        Redo1->setText(stack.canRedo() ? tr("やり直し: %1").arg(stack.redoText()) : tr("やり直し"));
        Undo1->setEnabled(stack.canUndo());
        Redo1->setEnabled(stack.canRedo());
    };
    connect(&History->Stack, &QUndoStack::indexChanged, this, refresh);
    connect(&History->Stack, &QUndoStack::undoTextChanged, this, refresh);
    connect(&History->Stack, &QUndoStack::redoTextChanged, this, refresh);
    refresh();
}

TArrangement TFrmPhonaraPlayer::CurrentArrangement() const {
    TArrangement a;
    for (int n = 1; n <= ChannelCount; ++n) {
        const TSource& s = Sources[n];
        TChannelArrangement& c = a.Channel(n);
        c.Loaded = s.Loaded;
        if (s.Loaded)
            c.FileName = s.FileName;
        c.Position = s.Position;
    }
    a.ReverbLevel = appliedReverbLevel_;
    a.Environment = appliedEnvironment_;
    return a;
}

void TFrmPhonaraPlayer::RestoreArrangement(const TArrangement& target) {
    // The settings first, so that a file loaded again gets the reverb of
    // the arrangement it comes back to.
    if (appliedReverbLevel_ != target.ReverbLevel)
        TrackBar1->setValue(target.ReverbLevel);
    if (appliedEnvironment_ != target.Environment)
        ComboBox1->setCurrentIndex(target.Environment);
    QStringList missing;
    {
        const TPlacementBatch together;
        for (int n = 1; n <= ChannelCount; ++n) {
            const TChannelArrangement& t = target.Channel(n);
            const TSource& s = Sources[n];
            bool place = s.Position.x != t.Position.x || s.Position.y != t.Position.y ||
                         s.Position.z != t.Position.z;
            if (!t.Loaded) {
                if (s.Loaded)
                    FreeSlot(n);
            } else if (!s.Loaded || s.FileName != t.FileName) {
                // A file gone since stays gone; the slot keeps what it holds.
                if (LoadChannelFile(n, t.FileName))
                    place = true;
                else
                    missing << QString::fromStdString(t.FileName);
            }
            if (place) {
                // A plain stereo channel sounds where it stands, as when a
                // playlist puts it there.
                PlaceSource(n, t.Position, TPanRule::FromX());
                PlaceChannelMarkers(n, t.Position);
            }
        }
    }
    // The bars and labels show the current channel where it now stands.
    bool canSelect = true;
    StringGrid1SelectCell(1, StringGrid1->row(), canSelect);
    RepaintGrid();
    if (!missing.isEmpty())
        QMessageBox::warning(this, QApplication::applicationDisplayName(),
                             tr("次のファイルを読み込めませんでした:\n%1").arg(missing.join('\n')));
}

void TFrmPhonaraPlayer::Mute1Click() {
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
    for (int n : chosen) {
        ChannelLevels[n].Muted = mute;
        ApplyChannelLevel(n);
        ShowChannelLevel(n);
    }
}

void TFrmPhonaraPlayer::ShowChannelLevel(int n) {
    FrontMarkers[n]->setHollow(ChannelLevels[n].Muted);
    TopMarkers[n]->setHollow(ChannelLevels[n].Muted);
}
