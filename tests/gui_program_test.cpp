// The whole program on the real library and the null output, as a user meets
// it: numbers in the user's locale, the channel grid scrolled sideways, where
// the focus goes when a command disables its own button, and the sideways
// wheel.
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QProcess>
#include <QProcessEnvironment>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QStyleOptionSlider>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <gtest/gtest.h>
#include <memory>
#include <utility>

#include "QtPrinters.h"
#include "RealProgram.h"
#include "SoundFiles.h"
#include "WheelEvents.h"
#include "app/PNAP.h"
#include "audio/DevSelect.h"
#include "channels/Sources.h"
#include "widgets/ScrollBar.h"
#include "widgets/StringGrid.h"

namespace {

class AsAUser : public RealProgramTest {
protected:
    testsupport::TempDir dir;
};

// Run in a child process started with the user's locale in its environment
// (see below): one step right on the X bar, and the label as shown.
TEST_F(AsAUser, LabelOfOneStepRightInTheStartupLocale) {
    if (qEnvironmentVariableIsEmpty("PHONARA_LABEL_CHILD"))
        GTEST_SKIP() << "runs as a child of StepLabelsUseTheUsersDecimalSeparator";
    const std::string a = dir.file("a.wav");
    ASSERT_TRUE(testsupport::writeTone(a));
    ASSERT_TRUE(w->LoadChannelFile(1, a)); // channel 1 is selected at start
    w->ScrollBarX->setPosition(1);
    std::printf("LABEL[%s]\n", w->LabelX->text().toUtf8().constData());
}

TEST(ProgramLocale, StepLabelsUseTheUsersDecimalSeparator) {
    // The locale is taken at start-up from the environment, as a user's
    // session sets it, so each case is a fresh process.
    auto labelUnder = [](const QString& locale) {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("LC_ALL", locale);
        env.insert("LANG", locale);
        env.insert("PHONARA_LABEL_CHILD", "1");
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(),
                    {"--gtest_filter=AsAUser.LabelOfOneStepRightInTheStartupLocale"});
        EXPECT_TRUE(child.waitForFinished(60000));
        EXPECT_EQ(child.exitCode(), 0) << child.readAllStandardError().toStdString();
        const QString out = QString::fromUtf8(child.readAllStandardOutput());
        const auto from = out.indexOf("LABEL[");
        const auto to = out.indexOf("]", from);
        return from < 0 || to < 0 ? QString("(no label) ") + out : out.mid(from + 6, to - from - 6);
    };
    EXPECT_EQ(labelUnder("de_DE.UTF-8"), "X=0,0500000007450581");
    EXPECT_EQ(labelUnder("en_US.UTF-8"), "X=0.0500000007450581");
}

TEST_F(AsAUser, TheFixedColumnStaysPutWhenTheGridScrollsSideways) {
    const std::string a = dir.file(std::string(120, 'a') + ".wav");
    const std::string b = dir.file(std::string(140, 'b') + ".wav");
    ASSERT_TRUE(testsupport::writeTone(a));
    ASSERT_TRUE(testsupport::writeTone(b, {.channels = 2}));
    w->LoadFileList({a, b});
    ASSERT_TRUE(Sources[1].Loaded && Sources[2].Loaded);
    TStringGrid* grid = w->StringGrid1;
    QScrollBar* bar = grid->horizontalScrollBar();
    ASSERT_TRUE(QTest::qWaitFor([&] { return bar->maximum() > 0; }));

    const int fixedRight = grid->colWidth(0) + grid->gridLineWidth();
    auto fixedColumn = [&] {
        return grid->viewport()->grab().toImage().copy(0, 0, fixedRight,
                                                       grid->viewport()->height());
    };
    bar->setValue(0);
    const int namesLeft = grid->cellRect(3, 1).left();
    const QImage unscrolled = fixedColumn();
    bar->setValue(bar->maximum());
    const QImage scrolled = fixedColumn();
    EXPECT_EQ(scrolled, unscrolled) << "cells drawn over the channel numbers";

    // The scrolled part did move: the names now start left of where they were.
    EXPECT_LT(grid->cellRect(3, 1).left(), namesLeft);
}

TEST_F(AsAUser, ACommandThatDisablesItsOwnButtonLeavesTheFocusWithTheWindow) {
    const std::string a = dir.file("a.wav");
    ASSERT_TRUE(testsupport::writeTone(a));
    ASSERT_TRUE(w->LoadChannelFile(1, a));
    w->RepaintGrid();
    ASSERT_TRUE(w->RemoveButton->isEnabled());

    QTest::mouseClick(w->RemoveButton, Qt::LeftButton);
    ASSERT_FALSE(Sources[1].Loaded);
    EXPECT_FALSE(w->RemoveButton->isEnabled());
    EXPECT_EQ(QApplication::focusWidget(), w.get()) << "no control takes over the keys";

    // A notch over the reverb bar and one over the grid reach nothing.
    const int level = w->TrackBar1->value();
    sendWheel(w->TrackBar1, w->TrackBar1->rect().center(), 120);
    sendWheel(w->StringGrid1->viewport(), QPoint(20, 40), -120);
    EXPECT_EQ(w->TrackBar1->value(), level);
    EXPECT_EQ(w->StringGrid1->row(), 1);
    EXPECT_EQ(QApplication::focusWidget(), w.get());

    // Picking a control again gives it the wheel as before.
    w->ScrollBarX->setFocus();
    sendWheel(w->ScrollBarX, QPoint(5, 5), 120);
    EXPECT_EQ(w->ScrollBarX->position(), 1);
}

TEST_F(AsAUser, AWheelOverTheRoomBoxStaysWithTheFocusedList) {
    const std::string a = dir.file("a.wav");
    const std::string b = dir.file("b.wav");
    ASSERT_TRUE(testsupport::writeTone(a));
    ASSERT_TRUE(testsupport::writeTone(b));
    w->LoadFileList({a, b});
    ASSERT_TRUE(Sources[1].Loaded && Sources[2].Loaded);
    ASSERT_TRUE(w->ComboBox1->isEnabled());
    QTest::keyClick(w.get(), Qt::Key_V, Qt::AltModifier);
    ASSERT_EQ(QApplication::focusWidget(), w->StringGrid1);

    // The pointer happens to rest on the room box: the notch is the list's,
    // and the room of every channel stays as it was.
    const int room = w->ComboBox1->currentIndex();
    sendWheel(w->ComboBox1, w->ComboBox1->rect().center(), -120);
    EXPECT_EQ(w->ComboBox1->currentIndex(), room);
    EXPECT_EQ(QApplication::focusWidget(), w->StringGrid1);
    EXPECT_EQ(w->StringGrid1->row(), 2);
    EXPECT_TRUE(Sources[2].Selected);
    EXPECT_FALSE(Sources[1].Selected);

    // Picked with Alt+E, the box takes the wheel itself.
    QTest::keyClick(w.get(), Qt::Key_E, Qt::AltModifier);
    ASSERT_EQ(QApplication::focusWidget(), w->ComboBox1);
    sendWheel(w->ComboBox1, w->ComboBox1->rect().center(), -120);
    EXPECT_EQ(w->ComboBox1->currentIndex(), room + 1);
}

TEST_F(AsAUser, ASidewaysTiltMovesNoBar) {
    w->ScrollBarY->setFocus();
    auto tilt = [&](QPoint delta) {
        QWheelEvent event(QPointF(5, 5), QPointF(w->ScrollBarY->mapToGlobal(QPoint(5, 5))),
                          QPoint(), delta, Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QSpontaneKeyEvent::setSpontaneous(&event);
        qApp->notify(w->ScrollBarY, &event);
    };
    tilt(QPoint(120, 0));
    tilt(QPoint(120, 0));
    EXPECT_EQ(w->ScrollBarY->position(), 0);
    EXPECT_EQ(w->LabelY->text(), "Y=0");
    tilt(QPoint(0, 120));
    EXPECT_EQ(w->ScrollBarY->position(), -1) << "the vertical wheel still moves the bar";
}

TEST(ProgramLayout, ListRowsAndTheReverbThumbHaveTheirFixedSizes) {
    TFrmPhonaraPlayer w;
    EXPECT_EQ(w.ComboBox1->view()->sizeHintForRow(3), 12);

    QStyleOptionSlider option;
    option.initFrom(w.TrackBar1);
    option.orientation = Qt::Horizontal;
    option.minimum = w.TrackBar1->minimum();
    option.maximum = w.TrackBar1->maximum();
    option.tickPosition = w.TrackBar1->tickPosition();
    const QRect thumb = w.TrackBar1->style()->subControlRect(QStyle::CC_Slider, &option,
                                                             QStyle::SC_SliderHandle, w.TrackBar1);
    EXPECT_EQ(thumb.width(), 15);

    TFrmDevSelector selector;
    selector.AddDevice("OpenAL Soft", 1);
    selector.AddDevice("Null Output", 2);
    EXPECT_EQ(selector.ListBox1->sizeHintForRow(1), 13);
}

// The Japanese faces' Latin letters are wider than the layout was made for:
// "Open(1)" and "Remove(W)" would be cut at both ends. Every caption is drawn
// whole, clear of the button's edges, and the ones that fit keep their width.
TEST(ProgramLayout, EveryButtonCaptionIsDrawnWhole) {
    TFrmPhonaraPlayer w;
    auto inkColumns = [](QPushButton* button) {
        const QImage image = button->grab().toImage();
        int first = image.width(), last = -1;
        for (int y = 2; y < image.height() - 2; ++y)
            for (int x = 0; x < image.width(); ++x)
                if (qGray(image.pixel(x, y)) < 100) {
                    first = std::min(first, x);
                    last = std::max(last, x);
                }
        return std::pair{first, last};
    };
    for (QPushButton* button : {w.OpenButton, w.SaveButton, w.LoadButton, w.RemoveButton,
                                w.LoopButton, w.PlayButton, w.PauseButton, w.StopButton}) {
        const auto [first, last] = inkColumns(button);
        ASSERT_LE(first, last) << button->text().toStdString() << " shows its caption";
        EXPECT_GE(first, 2) << button->text().toStdString();
        EXPECT_LE(last, button->width() - 3) << button->text().toStdString();
    }
    // A caption that fits is drawn at the font's own width.
    const auto [playFirst, playLast] = inkColumns(w.PlayButton);
    const QFontMetrics metrics(w.PlayButton->font());
    // (The ink is a little narrower than the advance: the side bearings.)
    EXPECT_GE(playLast - playFirst + 1, metrics.size(Qt::TextShowMnemonic, "Play(&S)").width() - 4);
}

} // namespace
