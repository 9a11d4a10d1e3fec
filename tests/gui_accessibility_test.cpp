// The window as a screen reader meets it, in English: the views list only the
// loaded channels, in channel order; places are said in words and metres; keys
// that move a source announce the new place; the grid's focus is the file; no
// name carries a mnemonic; every dialog control is labelled; the English
// mnemonics sit in the word, unique within each menu and dialog; and one title
// while recording.
#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QComboBox>
#include <QGroupBox>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <map>

#include "QtPrinters.h"
#include "RealProgram.h"
#include "SoundFiles.h"
#include "app/Language.h"
#include "export/ExportDialog.h"
#include "remote/RemoteDialog.h"
#include "remote/RemoteSettings.h"
#include "spatial/Spatial.h"
#include "widgets/AccessibleNames.h"
#include "widgets/Marker.h"
#include "widgets/ScrollBar.h"
#include "widgets/StringGrid.h"

using namespace testsupport;

namespace {

// "Load(Q)", "XY(D)": a mnemonic left in parentheses.
const QRegularExpression LeftMnemonic(QStringLiteral("\\([&]?[A-Za-z0-9]\\)"));

class ScreenReader : public RealProgramTest {
protected:
    void SetUp() override {
        ApplyLanguage(TLanguage::English);
        RealProgramTest::SetUp();
        AnnouncementListener = [this](QObject* object, const QVariant&) { events[object]++; };
    }
    void TearDown() override {
        AnnouncementListener = nullptr;
        RealProgramTest::TearDown();
        ApplyLanguage(TLanguage::Japanese);
    }
    std::map<QObject*, int> events;
    TempDir dir;
};

// Mnemonics sit in the word, each letter once among the captions.
void ExpectMnemonicsInTheWord(const QStringList& captions, const std::string& where) {
    std::map<QString, QString> seen;
    for (const QString& caption : captions) {
        EXPECT_FALSE(caption.contains(LeftMnemonic)) << where << ": " << caption.toStdString();
        const QString key = QKeySequence::mnemonic(caption).toString();
        if (!key.isEmpty() && !seen.emplace(key, caption).second)
            ADD_FAILURE() << where << ": " << caption.toStdString() << " and "
                          << seen[key].toStdString() << " share " << key.toStdString();
    }
}

// Every control a user can operate carries a name free of mnemonics; the
// captions of root's own window (not of its dialogs), with more, keep their
// mnemonics in the word.
void ExpectReadable(QWidget* root, QStringList captions, const std::string& where) {
    int controls = 0;
    for (QWidget* c : root->findChildren<QWidget*>()) {
        if (c->window() == root) {
            if (auto* b = qobject_cast<QAbstractButton*>(c))
                captions << b->text();
            else if (auto* l = qobject_cast<QLabel*>(c); l && l->buddy())
                captions << l->text();
            else if (auto* g = qobject_cast<QGroupBox*>(c))
                captions << g->title();
        }
        const bool editor = qobject_cast<QLineEdit*>(c) &&
                            !qobject_cast<QAbstractSpinBox*>(c->parentWidget()); // not a spin box's
        if (c->isHidden() || (!qobject_cast<QAbstractSpinBox*>(c) && !qobject_cast<QComboBox*>(c) &&
                              !editor && !qobject_cast<QAbstractButton*>(c)))
            continue;
        ++controls;
        const QString name = QAccessible::queryAccessibleInterface(c)->text(QAccessible::Name);
        EXPECT_FALSE(name.isEmpty()) << where << ": " << c->metaObject()->className() << " "
                                     << c->objectName().toStdString();
        EXPECT_FALSE(name.contains(LeftMnemonic)) << where << ": " << name.toStdString();
    }
    EXPECT_GT(controls, 5) << where;
    ExpectMnemonicsInTheWord(captions, where);
}

// Every interface under root, depth first.
void Walk(QAccessibleInterface* root, std::vector<QAccessibleInterface*>& out) {
    if (!root)
        return;
    out.push_back(root);
    for (int i = 0; i < root->childCount(); ++i)
        Walk(root->child(i), out);
}

TEST_F(ScreenReader, LoadedChannelsInOrderPlacesInWordsMovesAnnouncedAndEveryControlNamed) {
    for (const char* name : {"drums.wav", "voice.wav"})
        ASSERT_TRUE(writeTone(dir.file(name)));
    ASSERT_TRUE(w->LoadChannelFile(5, dir.file("drums.wav")));
    ASSERT_TRUE(w->LoadChannelFile(2, dir.file("voice.wav")));
    w->RepaintGrid();
    for (QFrame* panel : {w->Panel1, w->Panel2}) {
        QAccessibleInterface* view = QAccessible::queryAccessibleInterface(panel);
        ASSERT_EQ(view->role(), QAccessible::List);
        ASSERT_EQ(view->childCount(), 2);
        EXPECT_EQ(view->child(0)->text(QAccessible::Name), "Channel 2, voice.wav");
        EXPECT_EQ(view->child(1)->text(QAccessible::Name), "Channel 5, drums.wav");
        EXPECT_EQ(view->indexOfChild(view->child(1)), 1);
        EXPECT_EQ(view->child(0)->role(), QAccessible::ListItem);
    }
    // No marker of an empty channel anywhere in the window's tree, and no
    // name with a mnemonic in parentheses.
    std::vector<QAccessibleInterface*> all;
    Walk(QAccessible::queryAccessibleInterface(w.get()), all);
    int markers = 0;
    for (QAccessibleInterface* a : all) {
        EXPECT_FALSE(a->text(QAccessible::Name).contains(LeftMnemonic))
            << a->text(QAccessible::Name).toStdString();
        markers += a->object() && a->object()->inherits("TMarker");
    }
    EXPECT_EQ(markers, 4);

    // Channel 2 current and selected, placed left and up.
    Sources[2].Selected = true;
    w->MakeChannelCurrent(2);
    w->Arrangement.Place(2, {-1.7f, 1.0f, 0.0f}, TOrigin::Hand);
    QAccessibleInterface* marker = QAccessible::queryAccessibleInterface(FrontMarkers[2]);
    QAccessibleInterface* yBar = QAccessible::queryAccessibleInterface(w->ScrollBarY);
    EXPECT_EQ(yBar->role(), QAccessible::Slider);
    // The bar stands on the step below (steps truncate), upside up in metres.
    EXPECT_EQ(yBar->text(QAccessible::Value), "0.95 m up");
    EXPECT_NEAR(yBar->valueInterface()->currentValue().toDouble(), 0.95, 1e-6);

    // Each arrow key on a bar moves the source and says so, once per marker.
    w->ScrollBarX->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->ScrollBarX->hasFocus(); }));
    events.clear();
    for (Qt::Key key : {Qt::Key_Right, Qt::Key_Right, Qt::Key_Right, Qt::Key_Down})
        QTest::keyClick(w->ScrollBarX, key);
    EXPECT_EQ(events[FrontMarkers[2]], 4);
    EXPECT_EQ(events[TopMarkers[2]], 4);
    EXPECT_EQ(events[w->ScrollBarX], 3);
    EXPECT_EQ(events[w->ScrollBarY], 1);
    EXPECT_EQ(marker->text(QAccessible::Value), "1.55 m left, 0.9 m up, 0 m in front");
    // As a number, a marker's value is its distance from the listener.
    ASSERT_NE(marker->valueInterface(), nullptr);
    EXPECT_NEAR(marker->valueInterface()->currentValue().toDouble(), 1.79, 0.01);

    // The grid's focus is the file of the current row, its kind and state
    // in the description.
    w->StringGrid1->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->StringGrid1->hasFocus(); }));
    w->MakeChannelCurrent(4);
    QTest::keyClick(w->StringGrid1, Qt::Key_Down);
    QAccessibleInterface* focus =
        QAccessible::queryAccessibleInterface(w->StringGrid1)->focusChild();
    ASSERT_NE(focus, nullptr);
    EXPECT_EQ(focus->text(QAccessible::Name), "drums.wav");
    EXPECT_EQ(focus->text(QAccessible::Description), "mono, stop");
    EXPECT_TRUE(focus->state().focused);

    // Every control named, in the window and its dialogs; the English
    // mnemonics in the word, once per window, menu and dialog.
    QStringList menuTitles;
    for (QAction* menu : w->MainMenu1->actions())
        menuTitles << menu->text();
    ExpectReadable(w.get(), menuTitles, "main window");
    for (QMenu* menu : w->MainMenu1->findChildren<QMenu*>()) {
        QStringList items;
        for (QAction* a : menu->actions())
            items << a->text();
        ExpectMnemonicsInTheWord(items, menu->title().toStdString());
    }
    TExportDialog exportDialog(TExportOptions{}, true, w.get());
    ExpectReadable(&exportDialog, {}, "export");
    TRemoteDialog remoteDialog(LoadRemoteSettings(), nullptr, w.get());
    ExpectReadable(&remoteDialog, {}, "OSC");
    EXPECT_EQ(QAccessible::queryAccessibleInterface(w->LoadButton)->text(QAccessible::Name),
              "Load");
    EXPECT_EQ(w->LoadButton->text(), "&Load");
    EXPECT_EQ(w->Label10->text(), "&XY");

    // While recording, one title: the desktop adds the program's name.
    w->SetMotionRecording(true);
    EXPECT_EQ(w->windowTitle(), "Recording");
    w->SetMotionRecording(false);
    EXPECT_EQ(w->windowTitle(), "PhonaraPlayer");
}

} // namespace
