// The interface language on the real window: the menu switches every caption
// at once and keeps the choice, --lang does not, and screen readers read the
// channel grid as a table and the markers by channel and position.
#include <QAbstractButton>
#include <QAccessible>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>
#include <vector>

#include "Modal.h"
#include "QtPrinters.h"
#include "RealProgram.h"
#include "ScopedLocale.h"
#include "SoundFiles.h"
#include "UserSettings.h"
#include "app/CommandLine.h"
#include "app/Language.h"
#include "app/PNAP.h"
#include "channels/Sources.h"
#include "files/FileError.h"
#include "spatial/Markers.h"
#include "widgets/Marker.h"
#include "widgets/ScrollBar.h"
#include "widgets/StringGrid.h"

namespace {

const QRegularExpression Japanese(QStringLiteral("[\\x{3000}-\\x{30ff}\\x{4e00}-\\x{9fff}]"));

// Every visible caption of a label or button that is wider than the control
// that shows it.
QStringList CutCaptions(QWidget* window) {
    QStringList cut;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        QString text;
        int room = 0;
        if (auto* label = qobject_cast<QLabel*>(w); label && !label->wordWrap()) {
            text = label->text();
            room = label->contentsRect().width();
        } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            text = button->text();
            room = button->width();
        }
        text.remove('&');
        if (!w->isVisibleTo(window) || text.isEmpty() || text.contains('\n'))
            continue;
        if (w->fontMetrics().horizontalAdvance(text) > room)
            cut << text;
    }
    return cut;
}

// Every text a window shows or reads out that holds Japanese, except the
// language menu's own, which is the same in both languages.
QStringList JapaneseTexts(QWidget* window) {
    QStringList found;
    auto check = [&](const QString& text) {
        if (text.contains(Japanese) && text != "Language / 言語" && text != "日本語")
            found << text;
    };
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (auto* label = qobject_cast<QLabel*>(w))
            check(label->text());
        if (auto* button = qobject_cast<QAbstractButton*>(w))
            check(button->text());
        if (auto* box = qobject_cast<QGroupBox*>(w))
            check(box->title());
        if (auto* menu = qobject_cast<QMenu*>(w))
            check(menu->title());
        if (auto* edit = qobject_cast<QLineEdit*>(w))
            check(edit->placeholderText());
        check(w->toolTip());
        check(w->accessibleName());
        check(w->accessibleDescription());
    }
    for (QAction* a : window->findChildren<QAction*>()) {
        check(a->text());
        check(a->toolTip());
        check(a->statusTip());
    }
    check(window->windowTitle());
    return found;
}

class Language : public RealProgramTest {
protected:
    void SetUp() override {
        testsupport::UseSettingsFolder(config.path().toStdString());
        ApplyLanguage(TLanguage::Japanese);
        RealProgramTest::SetUp();
    }
    void TearDown() override {
        RealProgramTest::TearDown();
        ApplyLanguage(TLanguage::Japanese);
    }

    // Chooses a language from the menu bar with the mouse, as a user does.
    void choose(QAction* item) {
        QMenuBar* bar = w->MainMenu1;
        QTest::mouseClick(bar, Qt::LeftButton, {},
                          bar->actionGeometry(w->MenuLanguage->menuAction()).center());
        ASSERT_TRUE(QTest::qWaitFor([&] { return w->MenuLanguage->isVisible(); }));
        QTest::mouseClick(w->MenuLanguage, Qt::LeftButton, {},
                          w->MenuLanguage->actionGeometry(item).center());
        ASSERT_TRUE(QTest::qWaitFor([&] { return !w->MenuLanguage->isVisible(); }));
    }

    QTemporaryDir config;
    testsupport::TempDir dir;
};

} // namespace

TEST_F(Language, TheMenuSwitchesEveryCaptionAtOnceKeepsTheChoiceAndSwitchesBack) {
    EXPECT_EQ(KeptLanguage(), std::nullopt);
    EXPECT_EQ(w->Label1->text(), "上") << "Japanese without a choice, whatever the locale";
    EXPECT_TRUE(w->LanguageJapanese->isChecked());
    const QRect japaneseRight = w->Label7->geometry();
    // The captions the layout already cuts in Japanese (the buttons' own
    // English captions are the same in both languages).
    const QStringList cutInJapanese = CutCaptions(w.get());

    choose(w->LanguageEnglish);
    EXPECT_EQ(KeptLanguage(), TLanguage::English);
    EXPECT_TRUE(w->LanguageEnglish->isChecked());
    EXPECT_EQ(w->MenuOpenFile->title(), "&File");
    EXPECT_EQ(w->MenuAudio->title(), "&Audio");
    EXPECT_EQ(w->about1->text(), "Vers&ion");
    EXPECT_EQ(w->FileSaveAs1->statusTip(), "Save the current playlist under a new name");
    EXPECT_EQ(w->OpenButton->toolTip(), "Open playlist");
    EXPECT_EQ(w->OpenButton->text(), "&Open");
    EXPECT_TRUE(w->HrtfStatus->text().startsWith("HRTF ")) << w->HrtfStatus->text();
    const QStringList directions = {w->Label1->text(), w->Label2->text(), w->Label6->text(),
                                    w->Label7->text(), w->Label3->text(), w->Label4->text()};
    EXPECT_EQ(directions, QStringList({"Up", "Down", "Left", "Right", "Front", "Back"}));
    EXPECT_EQ(JapaneseTexts(w.get()), QStringList());
    for (const QString& cut : CutCaptions(w.get()))
        EXPECT_TRUE(cutInJapanese.contains(cut))
            << cut.toStdString() << " is wider than its control";
    // A longer word stays whole inside its view and at the edge it marks.
    for (QLabel* label :
         {w->Label1, w->Label2, w->Label6, w->Label7, w->Label3, w->Label4, w->Label8, w->Label9}) {
        EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(label->text()))
            << label->text();
        EXPECT_TRUE(label->parentWidget()->rect().contains(label->geometry())) << label->text();
    }
    EXPECT_EQ(w->Label7->geometry().right(), japaneseRight.right());

    // The dialogs open in English too.
    ASSERT_TRUE(testsupport::writeTone(dir.file("voice.wav")));
    ASSERT_TRUE(w->LoadChannelFile(1, dir.file("voice.wav")));
    w->RepaintGrid(); // enables the File menu's commands
    int seen = testsupport::HandleModals([&] { w->ExportAction->trigger(); },
                                         [](QWidget* dialog) {
                                             EXPECT_EQ(dialog->windowTitle(), "Export");
                                             EXPECT_EQ(JapaneseTexts(dialog), QStringList());
                                             EXPECT_EQ(CutCaptions(dialog), QStringList());
                                             dialog->close();
                                         });
    EXPECT_EQ(seen, 1);
    seen = testsupport::HandleModals([&] { w->RemoteControlAction->trigger(); },
                                     [](QWidget* dialog) {
                                         EXPECT_EQ(dialog->windowTitle(), "OSC remote");
                                         EXPECT_EQ(JapaneseTexts(dialog), QStringList());
                                         EXPECT_EQ(CutCaptions(dialog), QStringList());
                                         dialog->close();
                                     });
    EXPECT_EQ(seen, 1);
    // A failed load names the file and the reason, in English.
    const std::string broken = dir.file("broken.wav");
    testsupport::writeBytes(broken, {'R', 'I', 'F', 'F', 1, 2, 3});
    const QString shown = testsupport::MessagesShownBy([&] { w->LoadFileList({broken}); });
    EXPECT_TRUE(shown.startsWith("No valid file was found.\nbroken.wav: ")) << shown;
    EXPECT_TRUE(shown.endsWith(QString("(error code: %1)").arg(BASS_ErrorGetCode()))) << shown;

    choose(w->LanguageJapanese);
    EXPECT_EQ(KeptLanguage(), TLanguage::Japanese);
    EXPECT_EQ(w->Label1->text(), "上");
    EXPECT_EQ(w->Label7->geometry(), japaneseRight) << "the layout's own size again";
    EXPECT_EQ(w->MenuOpenFile->title(), "ファイル(&F)");
    EXPECT_EQ(w->FileSaveAs1->statusTip(), "現在のプレイリストに新しい名前をつけて保存");
    EXPECT_EQ(w->OpenButton->toolTip(), "プレイリストを開く");
    EXPECT_EQ(w->StringGrid1->accessibleName(), "チャンネル一覧");
}

TEST_F(Language, ARunInEnglishByTheCommandLineLeavesTheKeptChoiceAlone) {
    KeepLanguage(TLanguage::Japanese);
    // What the entry point does for --lang en.
    const TCommandLine line = ParseCommandLine({"phonaraplayer", "--lang", "en"});
    ApplyLanguage(RunLanguage(LanguageOfCode(line.Language), KeptLanguage(), true));
    start();
    EXPECT_EQ(w->Label1->text(), "Up");
    EXPECT_TRUE(w->LanguageEnglish->isChecked());
    EXPECT_EQ(KeptLanguage(), TLanguage::Japanese);
}

TEST_F(Language, ScreenReadersReadTheGridAsATableAndFollowTheCurrentRow) {
    ApplyLanguage(TLanguage::English);
    const std::string file = dir.file("voice.wav");
    ASSERT_TRUE(testsupport::writeTone(file));
    ASSERT_TRUE(w->LoadChannelFile(3, file));
    w->RepaintGrid();

    QAccessibleInterface* grid = QAccessible::queryAccessibleInterface(w->StringGrid1);
    ASSERT_NE(grid, nullptr);
    EXPECT_EQ(grid->role(), QAccessible::Table);
    EXPECT_EQ(grid->text(QAccessible::Name), "Channel list");
    QAccessibleTableInterface* table = grid->tableInterface();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->rowCount(), 32);
    EXPECT_EQ(table->columnCount(), 4);
    EXPECT_EQ(table->columnDescription(3), "File");
    EXPECT_EQ(table->rowDescription(2), "03");
    EXPECT_EQ(table->cellAt(2, 3)->text(QAccessible::Name), "voice.wav");
    EXPECT_EQ(table->cellAt(2, 1)->text(QAccessible::Name), "mono");
    EXPECT_EQ(table->cellAt(2, 2)->text(QAccessible::Name), "stop");
    EXPECT_EQ(grid->indexOfChild(table->cellAt(2, 3)), 2 * 4 + 3);

    // The current row follows a real key press. (Qt tells a reader of the
    // move only when the platform reports one listening, which the offscreen
    // platform never does.)
    w->StringGrid1->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->StringGrid1->hasFocus(); }));
    const int before = w->StringGrid1->row();
    QTest::keyClick(w->StringGrid1, Qt::Key_Down);
    ASSERT_EQ(w->StringGrid1->row(), before + 1);
    QAccessibleInterface* current = grid->focusChild();
    ASSERT_NE(current, nullptr);
    EXPECT_EQ(current->tableCellInterface()->rowIndex(), before); // data rows count from 0
    // Walking the rows reads the files: the focus stands on the File cell.
    EXPECT_EQ(grid->indexOfChild(current), before * 4 + 3);
    EXPECT_TRUE(table->isRowSelected(before) == w->IsChannelSelected(before + 1));

    // A marker says its channel and file, and where it stands in words, in
    // the user's locale.
    Sources[3].Position = {1.2f, 0.0f, -0.5f};
    QAccessibleInterface* marker = QAccessible::queryAccessibleInterface(FrontMarkers[3]);
    EXPECT_EQ(marker->text(QAccessible::Name), "Channel 3, voice.wav");
    EXPECT_EQ(marker->text(QAccessible::Value), "1.2 m right, 0 m up, 0.5 m behind");
    {
        const testsupport::ScopedLocale german(QLocale(QLocale::German), "C");
        EXPECT_EQ(marker->text(QAccessible::Value), "1,2 m right, 0 m up, 0,5 m behind");
    }
    ApplyLanguage(TLanguage::Japanese);
    EXPECT_EQ(marker->text(QAccessible::Name), "チャンネル 3, voice.wav");
    EXPECT_EQ(marker->text(QAccessible::Value), "右 1.2 m、上 0 m、後ろ 0.5 m");
    EXPECT_EQ(grid->text(QAccessible::Name), "チャンネル一覧");
    EXPECT_EQ(w->ScrollBarZ->accessibleName(), "Z (前後)");
}

// The terminal speaks English to scripts, and the language asked for.
TEST(LanguageOnTheTerminal, HelpAndErrorsAreEnglishUnlessLangAsksForJapanese) {
    const QString program = QCoreApplication::applicationDirPath() + "/phonaraplayer";
    auto run = [&](const QStringList& arguments) {
        QProcess child;
        child.start(program, arguments);
        EXPECT_TRUE(child.waitForFinished(60000));
        return QString::fromUtf8(child.readAllStandardOutput() + child.readAllStandardError());
    };
    const struct {
        QStringList arguments;
        QString expected;
    } cases[] = {
        {{"--help"}, "Show this help and exit."},
        {{"--help"}, "130 an export cancelled by a signal."},
        {{"--help", "--lang", "ja"}, "このヘルプを表示して終了します。"},
        {{"--lang", "en", "--help"}, "--lang <ja|en>"},
        {{"--export", "x.wav", "--rate", "1", "a.pna"}, "--rate must be 44100 or 48000"},
        {{"--export", "x.wav", "--rate", "1", "--lang", "ja", "a.pna"},
         "--rate は 44100 または 48000 です"},
        {{"--lang", "ja", "--export", "x.wav", "--rate", "1", "a.pna"},
         "'phonaraplayer --help' で使い方を表示します。"},
        {{"--lang", "xx"}, "--lang must be ja or en, not \"xx\""},
    };
    for (const auto& c : cases)
        EXPECT_TRUE(run(c.arguments).contains(c.expected))
            << c.arguments.join(' ') << " should say " << c.expected;
}

// A file's error reads in the language of the moment: the program's own words
// for the common errors in both languages, the system's text for the others.
TEST(LanguageOfFileErrors, CommonErrorsInTheProgramsWordsTheRestAsTheSystemSaysThem) {
    struct Restore {
        ~Restore() { ApplyLanguage(TLanguage::Japanese); }
    } restore;
    // Held as strings: strerror's text for an unknown error lives only until
    // its next call.
    const struct {
        int error;
        std::string japanese, english;
    } cases[] = {
        {ENOENT, "ファイルまたはフォルダがありません", "no such file or folder"},
        {EACCES, "アクセスが拒否されました", "permission denied"},
        {ENOSPC, "ディスクがいっぱいです", "the disk is full"},
        {EDQUOT, "ディスクがいっぱいです", "the disk is full"},
        {9999, std::strerror(9999), std::strerror(9999)},
    };
    for (const auto& c : cases) {
        ApplyLanguage(TLanguage::Japanese);
        EXPECT_EQ(FileErrorText(c.error), c.japanese) << c.error;
        ApplyLanguage(TLanguage::English);
        EXPECT_EQ(FileErrorText(c.error), c.english) << c.error;
    }
    // Every error with words of its own has them in English too.
    ApplyLanguage(TLanguage::Japanese);
    std::vector<int> own;
    for (int error = 1; error < 134; ++error)
        if (QString::fromStdString(FileErrorText(error)).contains(Japanese))
            own.push_back(error);
    EXPECT_GE(own.size(), 15u);
    ApplyLanguage(TLanguage::English);
    for (int error = 1; error < 134; ++error) {
        const std::string english = FileErrorText(error);
        EXPECT_FALSE(QString::fromStdString(english).contains(Japanese)) << english;
        EXPECT_EQ(english != std::strerror(error), std::count(own.begin(), own.end(), error) > 0)
            << english;
    }
    // Without the program's translation (pure code on its own), the system's.
    SetFileErrorTranslation(nullptr);
    EXPECT_EQ(FileErrorText(ENOENT), std::strerror(ENOENT));
    EXPECT_EQ(FileErrorText(EDQUOT), "the disk is full");
}
