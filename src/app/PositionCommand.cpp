#include "app/PositionCommand.h"

#include <QAction>
#include <QMenu>
#include <vector>

#include "app/PNAP.h"
#include "channels/Placing.h"
#include "channels/Sources.h"
#include "playlist/PathRules.h"
#include "spatial/PolarPlace.h"
#include "spatial/PositionDialog.h"
#include "spatial/Spatial.h"
#include "undo/UndoHistory.h"
#include "widgets/StringGrid.h"

namespace {

// The bars' half range: 50 steps of the editor's unit each way.
double Half() {
    return 50 * double(UnitsPerStep);
}

coords::TPlace PlaceOf(const BASS_3DVECTOR& v) {
    return {v.x, v.y, v.z};
}

BASS_3DVECTOR VectorOf(const coords::TPlace& p) {
    return {static_cast<float>(p.X), static_cast<float>(p.Y), static_cast<float>(p.Z)};
}

} // namespace

void InstallPositionCommand(TFrmPhonaraPlayer& w) {
    auto* action = new QAction(&w);
    action->setObjectName("PositionAction");
    action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    QObject::connect(action, &QAction::triggered, &w, [&w] { PositionClick(w); });
    w.MenuEdit->addSeparator();
    w.MenuEdit->addAction(action);
    w.addAction(action);
}

void RetranslatePositionCommand(TFrmPhonaraPlayer& w) {
    auto* action = w.findChild<QAction*>("PositionAction");
    if (!action)
        return;
    action->setText(TFrmPhonaraPlayer::tr("位置(&P)..."));
    // The channel list's context menu offers it too (the list is made after
    // the menus).
    if (w.StringGrid1 && !w.StringGrid1->actions().contains(action)) {
        w.StringGrid1->setContextMenuPolicy(Qt::ActionsContextMenu);
        w.StringGrid1->addAction(action);
    }
}

void PositionClick(TFrmPhonaraPlayer& w) {
    const int c = w.StringGrid1->row();
    if (c < 1 || c > ChannelCount || !Sources[c].Loaded)
        return;
    const coords::TPlace from = PlaceOf(Sources[c].Position);
    TPositionDialog dialog(c, QString::fromStdString(FileNameOfPath(Sources[c].FileName)), from,
                           Half(), &w);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const coords::TPlace to = coords::Clamped(dialog.place(), Half());
    std::vector<int> others;
    std::vector<coords::TPlace> places;
    for (int n = 1; n <= ChannelCount; ++n)
        if (n != c && Sources[n].Loaded && w.IsChannelSelected(n)) {
            others.push_back(n);
            places.push_back(PlaceOf(Sources[n].Position));
        }
    const auto moved = coords::MovedWith(places, from, to, Half());
    // One step of the user's, applied at once.
    const TUndoScope step(w.History->Recorder);
    const TPlacementBatch move;
    w.Arrangement.Place(c, VectorOf(to), TOrigin::Hand, TPanRule::FromX());
    for (size_t i = 0; i < others.size(); ++i)
        w.Arrangement.Place(others[i], VectorOf(moved[i]), TOrigin::Hand, TPanRule::FromX());
    w.AnnouncePlace(c);
}
