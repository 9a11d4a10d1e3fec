#include "app/CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStringList>
#include <cmath>

#include "app/Language.h"
#include "export/ExportCommand.h"
#include "files/AtomicFile.h"
#include "playlist/PathRules.h"

namespace {

// Qt reads these itself when the window starts; they must not count as
// unknown options. The flags among them take no value.
const char* const QtValueOptions[] = {"platform",
                                      "platformpluginpath",
                                      "platformtheme",
                                      "plugin",
                                      "style",
                                      "stylesheet",
                                      "display",
                                      "geometry",
                                      "qwindowgeometry",
                                      "qwindowicon",
                                      "qwindowtitle",
                                      "session",
                                      "name"};
const char* const QtFlagOptions[] = {"reverse", "widgetcount", "nograb", "dograb", "sync"};

std::string Std(const QString& s) {
    return s.toStdString();
}

} // namespace

TCommandLine ParseCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QCoreApplication::translate(
        "CommandLine", "最大 32 のサウンドファイルを聞き手のまわりの 3D 空間に置いて再生します。"
                       "または、プレイリストをサウンドファイルに書き出します (--export)。"));
    // Qt's options are written with one dash: read every option that way.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(
        {"h", "help"},
        QCoreApplication::translate("CommandLine", "このヘルプを表示して終了します。"));
    const QCommandLineOption version(
        {"v", "version"},
        QCoreApplication::translate("CommandLine", "バージョンを表示して終了します。"));
    const QCommandLineOption exportTo(
        "export",
        QCoreApplication::translate(
            "CommandLine",
            "ウィンドウもサウンドカードも使わずに、プレイリスト、または聞き手の位置に置いた"
            "サウンドファイルをサウンドファイル OUT に書き出します。OUT が - (標準出力)、FIFO、"
            "デバイスのときは、置き換えずにストリームとしてそのまま書き込みます (どの形式も"
            "ストリームにでき、WAV は長さ不明と記します)。"),
        "OUT");
    const QCommandLineOption force(
        {"f", "force"},
        QCoreApplication::translate("CommandLine", "OUT が既にあるときは置き換えます。"));
    const QCommandLineOption format(
        "format",
        QCoreApplication::translate("CommandLine", "wav16、wav24、float、flac16、flac24 または ogg "
                                                   "(既定: OUT の拡張子から。- と /dev/stdout では "
                                                   "wav16)。"),
        "FORMAT");
    const QCommandLineOption rate(
        "rate", QCoreApplication::translate("CommandLine", "44100 (既定) または 48000。"), "RATE");
    const QCommandLineOption layout(
        "layout",
        QCoreApplication::translate(
            "CommandLine", "stereo (既定)、binaural (ヘッドホン 3D)、quad、5.1、7.1、"
                           "または次数 1 から 3 の AmbiX (ACN、SN3D): ambix1、ambix2、ambix3。"),
        "LAYOUT");
    const QCommandLineOption hrtf(
        "hrtf",
        QCoreApplication::translate("CommandLine",
                                    "on: --layout binaural と同じ。off: stereo と同じ。"),
        "on|off");
    const QCommandLineOption hrtfSet(
        "hrtf-set",
        QCoreApplication::translate(
            "CommandLine",
            "--hrtf on のときの HRTF データセットの名前、または読み込む SOFA ファイル "
            "(既定: OpenAL Soft の選択)。"),
        "NAME|FILE.sofa");
    const QCommandLineOption seconds(
        "seconds",
        QCoreApplication::translate("CommandLine",
                                    "秒単位の長さ (既定: 最長のファイルと残響の終わりまで)。"),
        "N");
    const QCommandLineOption loop(
        "loop", QCoreApplication::translate(
                    "CommandLine", "すべてのチャンネルをループします (--seconds が必要)。"));
    const QCommandLineOption normalize(
        "normalize",
        QCoreApplication::translate("CommandLine",
                                    "ラウドネスを LUFS に揃えます (例: -16、放送用は -23)。"
                                    "-1 dBTP を超えません。"),
        "LUFS");
    const QCommandLineOption quality(
        "quality", QCoreApplication::translate("CommandLine", "Ogg Vorbis の品質 0..10 (既定 5)。"),
        "Q");
    const QCommandLineOption threads(
        "threads",
        QCoreApplication::translate(
            "CommandLine",
            "音源を N 本のレーンに分けて同時に描画します (既定: コア数、1: ひとつのデバイス)。"),
        "N");
    const QCommandLineOption oscPort(
        "osc-port",
        QCoreApplication::translate(
            "CommandLine",
            "この実行のあいだ UDP ポート N (127.0.0.1) で OSC リモート操作を受け付けます。"),
        "N");
    const QCommandLineOption lang(
        "lang",
        QCoreApplication::translate(
            "CommandLine",
            "この実行のウィンドウの言語: ja または en (保存した選択は変わりません)。"),
        "ja|en");
    const QCommandLineOption outputLayout(
        "output-layout",
        QCoreApplication::translate(
            "CommandLine", "この実行の出力レイアウト: auto、headphones、stereo、quad、5.1、7.1、"
                           "ambix1、ambix2、ambix3 (保存した選択は変わりません)。"),
        "LAYOUT");
    QCommandLineOption progressLines("progress-lines");
    progressLines.setFlags(QCommandLineOption::HiddenFromHelp);
    for (const auto& o :
         {help, version, exportTo, force, format, rate, layout, hrtf, hrtfSet, seconds, loop,
          normalize, quality, threads, oscPort, lang, outputLayout, progressLines})
        parser.addOption(o);
    for (const char* name : QtValueOptions) {
        QCommandLineOption o(name, QString(), "value");
        o.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(o);
    }
    for (const char* name : QtFlagOptions) {
        QCommandLineOption o(name);
        o.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(o);
    }
    parser.addPositionalArgument(
        "files",
        QCoreApplication::translate(
            "CommandLine", "プレイリスト (.pna、.m3u、.m3u8) または読み込むサウンドファイル。"
                           "-- のあとの名前は '-' で始まってもかまいません。"),
        "[--] [FILE...]");

    TCommandLine out;
    auto usage = [&out](const QString& why) {
        out.Action = TCommandLine::TAction::Usage;
        out.Message = Std(why);
        return out;
    };
    if (!parser.parse(arguments))
        return usage(parser.errorText());
    // First, so that help and errors can speak the language asked for.
    if (parser.isSet(lang)) {
        out.Language = Std(parser.value(lang));
        if (out.Language != "ja" && out.Language != "en")
            return usage(QCoreApplication::translate(
                             "CommandLine", "--lang は ja または en です (\"%1\" ではありません)")
                             .arg(parser.value(lang)));
    }
    if (parser.isSet(help)) {
        out.Action = TCommandLine::TAction::Help;
        out.Message =
            Std(parser.helpText().replace("<executable_name>", "phonaraplayer") + "\n" +
                QCoreApplication::translate(
                    "CommandLine", "終了ステータス: 0 完了、1 書き出しまたはオーディオの開始に失敗 "
                                   "(理由は標準エラー出力)、2 コマンドラインの誤り、"
                                   "130 シグナルによる書き出しの取り消し。\n"));
        return out;
    }
    if (parser.isSet(version)) {
        out.Action = TCommandLine::TAction::Version;
        out.Message = std::string("PhonaraPlayer ") + PHONARA_VERSION;
        return out;
    }
    const QStringList files = parser.positionalArguments();
    if (parser.isSet(oscPort)) {
        if (parser.isSet(exportTo))
            return usage(QCoreApplication::translate(
                "CommandLine", "--osc-port はウィンドウのためのもので、--export には使えません"));
        bool ok = false;
        const int port = parser.value(oscPort).toInt(&ok);
        if (!ok || port < 1 || port > 65535)
            return usage(QCoreApplication::translate(
                             "CommandLine",
                             "--osc-port には 1 から 65535 の UDP ポート番号が必要です "
                             "(\"%1\" ではありません)")
                             .arg(parser.value(oscPort)));
        out.OscPort = port;
    }
    if (parser.isSet(outputLayout)) {
        if (parser.isSet(exportTo))
            return usage(QCoreApplication::translate(
                "CommandLine",
                "--output-layout はウィンドウのためのもので、--export には使えません "
                "(ファイルのレイアウトは --layout)"));
        const auto chosen = OutputLayoutOfWord(Std(parser.value(outputLayout)));
        if (!chosen)
            return usage(QCoreApplication::translate(
                             "CommandLine",
                             "--output-layout は auto、headphones、stereo、quad、5.1、7.1、"
                             "ambix1、ambix2、ambix3 のどれかです (\"%1\" ではありません)")
                             .arg(parser.value(outputLayout)));
        out.OutputLayout = *chosen;
    }
    if (!parser.isSet(exportTo)) {
        for (const auto& o :
             {force, format, rate, layout, hrtf, hrtfSet, seconds, loop, normalize, quality})
            if (parser.isSet(o))
                return usage(
                    QCoreApplication::translate("CommandLine", "--%1 は --export のオプションです")
                        .arg(o.names().constLast()));
        for (const QString& f : files)
            out.Files.push_back(Std(f));
        return out;
    }

    TExportOptions& e = out.Export;
    e.Language = out.Language;
    e.Output = Std(parser.value(exportTo));
    if (e.Output.empty())
        return usage(QCoreApplication::translate("CommandLine",
                                                 "--export には書き出すファイルの名前が必要です"));
    // As at start: a playlist when the first name is one, else sound files.
    if (files.isEmpty())
        return usage(QCoreApplication::translate(
            "CommandLine", "--export には書き出すプレイリストかサウンドファイルが必要です"));
    if (IsPlaylistName(Std(files.first()))) {
        if (files.size() != 1)
            return usage(QCoreApplication::translate(
                "CommandLine", "--export が書き出すのは 1 つのプレイリスト、"
                               "またはプレイリストなしのサウンドファイルです"));
        e.Playlist = Std(files.first());
    } else {
        if (files.size() > 32)
            return usage(QCoreApplication::translate(
                "CommandLine", "--export が置けるサウンドファイルは 32 までです"));
        for (const QString& f : files)
            e.SoundFiles.push_back(Std(f));
    }
    if (parser.isSet(format)) {
        const auto f = ExportFormatOfName(Std(parser.value(format)));
        if (!f)
            return usage(
                QCoreApplication::translate(
                    "CommandLine", "不明な形式 %1 (wav16、wav24、float、flac16、flac24、ogg)")
                    .arg(parser.value(format)));
        e.Format = *f;
    } else if (const auto f = ExportFormatOfPath(e.Output)) {
        e.Format = *f;
    } else if (DescriptorOfName(e.Output) >= 0) { // "-", /dev/stdout: a stream
        e.Format = TExportFormat::Wav16;
    } else {
        return usage(QCoreApplication::translate(
                         "CommandLine", "%1 から形式がわかりません。--format を指定してください")
                         .arg(parser.value(exportTo)));
    }
    if (parser.isSet(rate)) {
        const QString r = parser.value(rate);
        if (r != "44100" && r != "48000")
            return usage(
                QCoreApplication::translate("CommandLine", "--rate は 44100 または 48000 です"));
        e.Rate = r.toInt();
    }
    if (parser.isSet(layout)) {
        const auto l = ExportLayoutOfName(Std(parser.value(layout)));
        if (!l)
            return usage(QCoreApplication::translate(
                             "CommandLine",
                             "不明なレイアウト %1 (stereo、binaural、quad、5.1、7.1、"
                             "ambix1、ambix2、ambix3)")
                             .arg(parser.value(layout)));
        e.Layout = *l;
    }
    if (parser.isSet(hrtf)) {
        const QString h = parser.value(hrtf).toLower();
        if (h != "on" && h != "off")
            return usage(
                QCoreApplication::translate("CommandLine", "--hrtf は on または off です"));
        const auto asked = h == "on" ? TExportLayout::Binaural : TExportLayout::Stereo;
        if (parser.isSet(layout) && e.Layout != asked)
            return usage(QCoreApplication::translate("CommandLine",
                                                     "--hrtf %1 は --layout %2 と食い違います")
                             .arg(h, parser.value(layout)));
        e.Layout = asked;
    }
    if (parser.isSet(hrtfSet)) {
        e.HrtfDataSet = Std(parser.value(hrtfSet));
        if (e.Layout != TExportLayout::Binaural)
            return usage(QCoreApplication::translate(
                "CommandLine", "--hrtf-set には --layout binaural (または --hrtf on) が必要です"));
    }
    if (const std::string why = LayoutFormatError(e.Layout, e.Format, Translated); !why.empty())
        return usage(QString::fromStdString(why));
    bool ok = false;
    if (parser.isSet(seconds)) {
        const double s = parser.value(seconds).toDouble(&ok);
        if (!ok || !(s > 0) || s > 24 * 3600)
            return usage(QCoreApplication::translate("CommandLine", "--seconds は正の秒数です"));
        e.Seconds = s;
    }
    e.Loop = parser.isSet(loop);
    if (e.Loop && !e.Seconds)
        return usage(QCoreApplication::translate(
            "CommandLine", "--loop には --seconds が必要です: ループするチャンネルは終わりません"));
    if (parser.isSet(normalize)) {
        const double l = parser.value(normalize).toDouble(&ok);
        if (!ok || !std::isfinite(l) || l < -70 || l > 0)
            return usage(QCoreApplication::translate(
                "CommandLine", "--normalize は -70 から 0 LUFS のラウドネスです"));
        e.NormalizeLufs = l;
    }
    if (parser.isSet(quality)) {
        const int q = parser.value(quality).toInt(&ok);
        if (!ok || q < 0 || q > 10)
            return usage(QCoreApplication::translate("CommandLine", "--quality は 0 から 10 です"));
        e.OggQuality = q;
    }
    if (parser.isSet(threads)) {
        const int n = parser.value(threads).toInt(&ok);
        if (!ok || n < 1 || n > 256)
            return usage(
                QCoreApplication::translate("CommandLine", "--threads は 1 から 256 です"));
        e.Threads = n;
    }
    e.MachineProgress = parser.isSet(progressLines);
    e.Force = parser.isSet(force);
    out.Action = TCommandLine::TAction::Export;
    return out;
}
