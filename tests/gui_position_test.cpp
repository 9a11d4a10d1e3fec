// Places typed as numbers: the Position dialog, by keys alone, puts the
// current channel where the OSC remote's "aed" with the same numbers puts it,
// the other selected channels keep their offsets, and one Ctrl+Z takes it back.
#include <QAction>
#include <QDoubleSpinBox>
#include <QTest>

#include "Modal.h"
#include "QtPrinters.h"
#include "RealProgram.h"
#include "SoundFiles.h"
#include "remote/RemoteMapping.h"
#include "spatial/PositionDialog.h"
#include "undo/UndoHistory.h"
#include "widgets/StringGrid.h"

using namespace testsupport;

namespace {

using PositionDialogTest = RealProgramTest;

void ExpectAt(const BASS_3DVECTOR& p, const BASS_3DVECTOR& expected) {
    EXPECT_NEAR(p.x, expected.x, 1e-5);
    EXPECT_NEAR(p.y, expected.y, 1e-5);
    EXPECT_NEAR(p.z, expected.z, 1e-5);
}

void Type(QDoubleSpinBox* box, const QString& text) {
    box->setFocus();
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(box, text);
}

TEST_F(PositionDialogTest, TypedAzimuthElevationAndDistanceLandWhereOscAedPutsThemAndOneUndo) {
    TempDir dir;
    const std::string file = dir.file("voice.wav");
    ASSERT_TRUE(writeTone(file));
    ASSERT_TRUE(w->LoadChannelFile(1, file));
    ASSERT_TRUE(w->LoadChannelFile(2, file));
    w->Arrangement.Place(2, {0.5f, 0.25f, 0.f}, TOrigin::Hand);
    Sources[1].Selected = Sources[2].Selected = true;
    w->MakeChannelCurrent(1);
    const BASS_3DVECTOR before1 = Sources[1].Position, before2 = Sources[2].Position;
    const int steps = w->History->Stack.index();

    QAction* position = w->findChild<QAction*>("PositionAction");
    ASSERT_NE(position, nullptr);
    EXPECT_EQ(position->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_P));
    EXPECT_TRUE(w->StringGrid1->actions().contains(position)) << "in the grid's context menu";
    double shownX = 99;
    const int dialogs =
        HandleModals([&] { QTest::keyClick(w.get(), Qt::Key_P, Qt::ControlModifier); },
                     [&](QWidget* modal) {
                         auto* d = qobject_cast<TPositionDialog*>(modal);
                         ASSERT_NE(d, nullptr);
                         Type(d->AzimuthBox, "90");
                         Type(d->ElevationBox, "0");
                         Type(d->DistanceBox, "2");
                         shownX = d->XBox->value(); // the other fields follow
                         QTest::keyClick(d, Qt::Key_Return);
                     });
    EXPECT_EQ(dialogs, 1);
    EXPECT_EQ(w->History->Stack.index(), steps + 1) << "one step";
    EXPECT_NEAR(shownX, -2.0, 1e-9);

    // Where the remote's aed puts it, and heard there; channel 2 kept its offset.
    const remote::Vec3 osc = remote::AdmAedToProgram({90, 0, 2 / remote::AdmScale});
    BASS_3DVECTOR heard{};
    ASSERT_TRUE(BASS_ChannelGet3DPosition(Sources[1].Handle, &heard, nullptr, nullptr));
    for (const BASS_3DVECTOR& p : {Sources[1].Position, heard})
        ExpectAt(p, {float(osc.x), float(osc.y), float(osc.z)});
    ExpectAt(Sources[2].Position, {float(osc.x) + 0.5f, 0.25f, float(osc.z)});

    // One step back brings both.
    showActive();
    QTest::keyClick(w.get(), Qt::Key_Z, Qt::ControlModifier);
    ExpectAt(Sources[1].Position, before1);
    ExpectAt(Sources[2].Position, before2);
    EXPECT_EQ(w->History->Stack.index(), steps);

    // The fields follow each other both ways.
    TPositionDialog d(1, "voice.wav", {0, 0, 0}, 2.5);
    d.XBox->setValue(1.0);
    EXPECT_NEAR(d.AzimuthBox->value(), -90, 1e-9);
    EXPECT_NEAR(d.DistanceBox->value(), 1, 1e-9);
    d.ElevationBox->setValue(90);
    EXPECT_NEAR(d.YBox->value(), 1, 1e-9);
    EXPECT_NEAR(d.XBox->value(), 0, 1e-9);
}

} // namespace
