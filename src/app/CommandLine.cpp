#include "app/CommandLine.h"

#include <QCommandLineParser>
#include <QStringList>
#include <cmath>

#include "export/ExportCommand.h"
#include "files/AtomicFile.h"

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

const char* const ExitStatusHelp = "Exit status: 0 done, 1 the export or the audio start-up failed "
                                   "(the reason is on stderr), 2 a wrong command line, "
                                   "130 an export cancelled by a signal.\n";

std::string Std(const QString& s) {
    return s.toStdString();
}

} // namespace

TCommandLine ParseCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Places up to 32 sound files in 3D around the listener and plays them; "
        "or renders a playlist to a sound file (--export).");
    // Qt's options are written with one dash: read every option that way.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({"h", "help"}, "Show this help and exit.");
    const QCommandLineOption version({"v", "version"}, "Show the version and exit.");
    const QCommandLineOption exportTo(
        "export",
        "Render PLAYLIST to the sound file OUT without a window or sound card. OUT may be - "
        "(standard output), a FIFO or a device: these are written straight through, as a stream "
        "(every format streams; WAV then says its length is unknown).",
        "OUT");
    const QCommandLineOption force({"f", "force"}, "Replace OUT if it exists.");
    const QCommandLineOption format("format",
                                    "wav16, wav24, float, flac16, flac24 or ogg "
                                    "(default: from OUT's extension; wav16 for - and /dev/stdout).",
                                    "FORMAT");
    const QCommandLineOption rate("rate", "44100 (default) or 48000.", "RATE");
    const QCommandLineOption hrtf("hrtf", "Headphone 3D for this file: on or off (default).",
                                  "on|off");
    const QCommandLineOption seconds(
        "seconds", "Length in seconds (default: the longest file and the reverb's tail).", "N");
    const QCommandLineOption loop("loop", "Loop every channel (needs --seconds).");
    const QCommandLineOption normalize(
        "normalize",
        "Bring the loudness to LUFS (e.g. -16, or -23 for broadcast), "
        "never above -1 dBTP.",
        "LUFS");
    const QCommandLineOption quality("quality", "Ogg Vorbis quality 0..10 (default 5).", "Q");
    const QCommandLineOption oscPort(
        "osc-port", "Take OSC remote control on UDP port N (on 127.0.0.1) for this run.", "N");
    const QCommandLineOption lang(
        "lang", "The window's language for this run: ja or en (the kept choice stays).", "ja|en");
    QCommandLineOption progressLines("progress-lines");
    progressLines.setFlags(QCommandLineOption::HiddenFromHelp);
    for (const auto& o : {help, version, exportTo, force, format, rate, hrtf, seconds, loop,
                          normalize, quality, oscPort, lang, progressLines})
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
    parser.addPositionalArgument("files",
                                 "A playlist (.pna, .m3u, .m3u8) or sound files to load; "
                                 "after --, names may start with '-'.",
                                 "[--] [FILE...]");

    TCommandLine out;
    auto usage = [&out](const QString& why) {
        out.Action = TCommandLine::TAction::Usage;
        out.Message = Std(why);
        return out;
    };
    if (!parser.parse(arguments))
        return usage(parser.errorText());
    if (parser.isSet(help)) {
        out.Action = TCommandLine::TAction::Help;
        out.Message = Std(parser.helpText().replace("<executable_name>", "phonaraplayer")) + "\n" +
                      ExitStatusHelp;
        return out;
    }
    if (parser.isSet(version)) {
        out.Action = TCommandLine::TAction::Version;
        out.Message = std::string("PhonaraPlayer ") + PHONARA_VERSION;
        return out;
    }
    const QStringList files = parser.positionalArguments();
    if (parser.isSet(lang)) {
        out.Language = Std(parser.value(lang));
        if (out.Language != "ja" && out.Language != "en")
            return usage("--lang must be ja or en, not \"" + parser.value(lang) + "\"");
    }
    if (parser.isSet(oscPort)) {
        if (parser.isSet(exportTo))
            return usage("--osc-port belongs to the window, not to --export");
        bool ok = false;
        const int port = parser.value(oscPort).toInt(&ok);
        if (!ok || port < 1 || port > 65535)
            return usage("--osc-port needs a UDP port number from 1 to 65535, not \"" +
                         parser.value(oscPort) + "\"");
        out.OscPort = port;
    }
    if (!parser.isSet(exportTo)) {
        for (const auto& o : {force, format, rate, hrtf, seconds, loop, normalize, quality})
            if (parser.isSet(o))
                return usage("--" + o.names().constLast() + " belongs to --export");
        for (const QString& f : files)
            out.Files.push_back(Std(f));
        return out;
    }

    TExportOptions& e = out.Export;
    e.Output = Std(parser.value(exportTo));
    if (e.Output.empty())
        return usage("--export needs the name of the file to write");
    if (files.size() != 1)
        return usage("--export renders exactly one playlist");
    e.Playlist = Std(files.first());
    if (parser.isSet(format)) {
        const auto f = ExportFormatOfName(Std(parser.value(format)));
        if (!f)
            return usage("unknown format " + parser.value(format) +
                         " (wav16, wav24, float, flac16, flac24, ogg)");
        e.Format = *f;
    } else if (const auto f = ExportFormatOfPath(e.Output)) {
        e.Format = *f;
    } else if (DescriptorOfName(e.Output) >= 0) { // "-", /dev/stdout: a stream
        e.Format = TExportFormat::Wav16;
    } else {
        return usage("cannot tell the format from " + parser.value(exportTo) + "; give --format");
    }
    if (parser.isSet(rate)) {
        const QString r = parser.value(rate);
        if (r != "44100" && r != "48000")
            return usage("--rate must be 44100 or 48000");
        e.Rate = r.toInt();
    }
    if (parser.isSet(hrtf)) {
        const QString h = parser.value(hrtf).toLower();
        if (h != "on" && h != "off")
            return usage("--hrtf must be on or off");
        e.Hrtf = h == "on";
    }
    bool ok = false;
    if (parser.isSet(seconds)) {
        const double s = parser.value(seconds).toDouble(&ok);
        if (!ok || !(s > 0) || s > 24 * 3600)
            return usage("--seconds must be a positive number of seconds");
        e.Seconds = s;
    }
    e.Loop = parser.isSet(loop);
    if (e.Loop && !e.Seconds)
        return usage("--loop needs --seconds: looping channels never end");
    if (parser.isSet(normalize)) {
        const double l = parser.value(normalize).toDouble(&ok);
        if (!ok || !std::isfinite(l) || l < -70 || l > 0)
            return usage("--normalize must be a loudness between -70 and 0 LUFS");
        e.NormalizeLufs = l;
    }
    if (parser.isSet(quality)) {
        const int q = parser.value(quality).toInt(&ok);
        if (!ok || q < 0 || q > 10)
            return usage("--quality must be 0 to 10");
        e.OggQuality = q;
    }
    e.MachineProgress = parser.isSet(progressLines);
    e.Force = parser.isSet(force);
    out.Action = TCommandLine::TAction::Export;
    return out;
}
