// Program entry: the application, the main window, the audio start-up, the
// window shown, the files to start with, then the event loop.
#include <QApplication>
#include <QMessageBox>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/CommandLine.h"
#include "app/Language.h"
#include "app/PNAP.h"
#include "app/TerminationSignals.h"
#include "app/WindowStart.h"
#include "export/ExportCommand.h"

namespace {

// OpenAL Soft's configuration for this process, before its first call: the
// output layout and the program's decoders over the user's settings. Without
// it OpenAL Soft plays with its own configuration, which is said.
void UseProgramDecoders(TOutputLayout layout) {
    std::string why;
    if (!ApplyOutputLayout(layout, QCoreApplication::applicationDirPath().toStdString(), why))
        std::fprintf(
            stderr, "phonaraplayer: %s\n",
            qUtf8Printable(QCoreApplication::translate("main", "出力レイアウトを設定できません: %1")
                               .arg(QString::fromStdString(why))));
}

// Everything but the window: printing, or an export in this process. Read
// by scripts, so English unless --lang asks otherwise.
int RunCommandLine(int argc, char* argv[], const QStringList& rawArguments,
                   const TCommandLine& first) {
    QCoreApplication app(argc, argv); // no display
    QCoreApplication::setApplicationName("PhonaraPlayer");
    ApplyLanguage(RunLanguage(LanguageOfCode(first.Language), std::nullopt, false));
    // Read again, for the help and the errors in that language.
    const TCommandLine commandLine = ParseCommandLine(rawArguments);
    switch (commandLine.Action) {
    case TCommandLine::TAction::Help:
    case TCommandLine::TAction::Version:
        std::fputs((commandLine.Message + "\n").c_str(), stdout);
        return ExitOk;
    case TCommandLine::TAction::Usage:
        std::fprintf(stderr, "phonaraplayer: %s\n%s\n", commandLine.Message.c_str(),
                     qPrintable(QCoreApplication::translate(
                         "CommandLine", "'phonaraplayer --help' で使い方を表示します。")));
        return ExitUsage;
    case TCommandLine::TAction::Export:
        // The program's decoders (quad, 5.1 and 7.1 with a centre) for the
        // renderer; the user's OpenAL Soft settings stay in force.
        UseProgramDecoders(TOutputLayout::Automatic);
        return RunExportCommand(commandLine.Export);
    case TCommandLine::TAction::Window:
        break;
    }
    return ExitOk;
}

// Qt cannot carry an exception through its event loop: one that leaves an
// event handler is caught where the event was handed over, and the program
// ends as it ends on a close, with status 1.
class TApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception& e) {
            fail(e.what());
        } catch (...) {
            fail("an unknown exception");
        }
        return false;
    }
    const std::string& failure() const { return failure_; }

private:
    void fail(const char* what) {
        if (failure_.empty())
            failure_ = what;
        exit(ExitFailed);
    }
    std::string failure_;
};

// The message for a window that cannot show, in the run's language (as the
// command line speaks: English unless --lang asks otherwise).
std::string NoDisplayMessage(int argc, char* argv[], const TCommandLine& commandLine) {
    QCoreApplication app(argc, argv);
    ApplyLanguage(RunLanguage(LanguageOfCode(commandLine.Language), std::nullopt, false));
    return qUtf8Printable(QCoreApplication::translate(
        "CommandLine", "ディスプレイがありません。--export はディスプレイなしで使えます"));
}

// A display that is named but not there (its server gone) fails Qt's
// platform in the middle of making the application, and Qt aborts. While the
// application is made, its messages wait; a fatal one ends the program as a
// missing display does, with the one message and status 1.
class TPlatformStart {
public:
    explicit TPlatformStart(std::string noDisplay) {
        NoDisplay = std::move(noDisplay);
        Previous = qInstallMessageHandler(Hold);
    }
    ~TPlatformStart() {
        qInstallMessageHandler(Previous);
        for (const THeld& m : Held)
            Previous(
                m.Type,
                QMessageLogContext(m.File.c_str(), m.Line, m.Function.c_str(), m.Category.c_str()),
                m.Text);
        Held.clear();
    }
    TPlatformStart(const TPlatformStart&) = delete;
    TPlatformStart& operator=(const TPlatformStart&) = delete;

private:
    struct THeld {
        QtMsgType Type;
        std::string File, Function, Category;
        int Line;
        QString Text;
    };
    static void Hold(QtMsgType type, const QMessageLogContext& context, const QString& text) {
        if (type == QtFatalMsg) {
            std::fprintf(stderr, "phonaraplayer: %s\n", NoDisplay.c_str());
            std::fflush(stderr);
            std::_Exit(ExitFailed);
        }
        const auto copy = [](const char* p) { return std::string(p ? p : ""); };
        Held.push_back({type, copy(context.file), copy(context.function), copy(context.category),
                        context.line, text});
    }
    static inline QtMessageHandler Previous = nullptr;
    static inline std::string NoDisplay;
    static inline std::vector<THeld> Held;
};

void ReportUnexpected(const std::string& what) {
    std::fprintf(stderr, "phonaraplayer: unexpected error: %s\n", what.c_str());
}

int Main(int argc, char* argv[]) {
    // Read before any application object exists: help, the version, a wrong
    // option and an export need no display.
    QStringList rawArguments;
    for (int i = 0; i < argc; ++i)
        rawArguments << QString::fromLocal8Bit(argv[i]);
    const TCommandLine commandLine = ParseCommandLine(rawArguments);
    if (commandLine.Action != TCommandLine::TAction::Window)
        return RunCommandLine(argc, argv, rawArguments, commandLine);

    // Qt would abort after listing its platform plug-ins. Said as the
    // command line speaks: English unless --lang asks otherwise.
    const std::string noDisplay = NoDisplayMessage(argc, argv, commandLine);
    if (!WindowCanShow(argc, argv)) {
        std::fprintf(stderr, "phonaraplayer: %s\n", noDisplay.c_str());
        return ExitFailed;
    }
    InstallTerminationSignals();
    std::optional<TPlatformStart> platformStart(std::in_place, noDisplay);
    TApplication app(argc, argv);
    platformStart.reset();
    QApplication::setApplicationName("PhonaraPlayer");
    QApplication::setApplicationDisplayName("PhonaraPlayer");
    // The installed desktop entry's name: lets the desktop match the window to
    // its menu entry and icon.
    QApplication::setDesktopFileName("io.github.phonaraplayer.PhonaraPlayer");
    // Japanese unless the user chose English; --lang leaves the choice as kept.
    ApplyLanguage(RunLanguage(LanguageOfCode(commandLine.Language), KeptLanguage(), true));

    const TOutputLayout layout = commandLine.OutputLayout.value_or(KeptOutputLayout());
    UseProgramDecoders(layout);
    auto window = std::make_unique<TFrmPhonaraPlayer>();
    window->SetRunningOutputLayout(layout);
    RouteTerminationSignals(window.get());
    if (const int started = StartWindow(*window, commandLine); started >= 0)
        return started;
    const int status = QApplication::exec();
    if (!app.failure().empty()) {
        ReportUnexpected(app.failure());
        QMessageBox::critical(
            window.get(), QApplication::applicationDisplayName(),
            QCoreApplication::translate("main", "予期しないエラーのため終了します。\n%1")
                .arg(QString::fromStdString(app.failure())));
    }
    return status;
}

} // namespace

int main(int argc, char* argv[]) {
    // Whatever escapes, in either mode: a message, status 1, and the stack
    // unwound, so that temporary files are removed on the way.
    try {
        return Main(argc, argv);
    } catch (const std::exception& e) {
        ReportUnexpected(e.what());
    } catch (...) {
        ReportUnexpected("an unknown exception");
    }
    return ExitFailed;
}
