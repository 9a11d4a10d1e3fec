#include "export/ExportOptions.h"

#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <sndfile.h>
#include <sstream>

namespace {

struct TFormatName {
    TExportFormat Format;
    const char* Name;
    int Sndfile;
};

constexpr std::array<TFormatName, 6> FormatNames{{
    {TExportFormat::Wav16, "wav16", SF_FORMAT_WAV | SF_FORMAT_PCM_16},
    {TExportFormat::Wav24, "wav24", SF_FORMAT_WAV | SF_FORMAT_PCM_24},
    {TExportFormat::Float, "float", SF_FORMAT_WAV | SF_FORMAT_FLOAT},
    {TExportFormat::Flac16, "flac16", SF_FORMAT_FLAC | SF_FORMAT_PCM_16},
    {TExportFormat::Flac24, "flac24", SF_FORMAT_FLAC | SF_FORMAT_PCM_24},
    {TExportFormat::Ogg, "ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS},
}};

struct TLayoutName {
    TExportLayout Layout;
    const char* Name;
    int Channels;
    int AmbixOrder;
    uint32_t Mask; // WAVE_FORMAT_EXTENSIBLE's speaker bits
};

// Speaker bits: FL 0x1, FR 0x2, FC 0x4, LFE 0x8, BL 0x10, BR 0x20, SL 0x200,
// SR 0x400.
constexpr std::array<TLayoutName, 8> LayoutNames{{
    {TExportLayout::Stereo, "stereo", 2, 0, 0x3},
    {TExportLayout::Binaural, "binaural", 2, 0, 0x3},
    {TExportLayout::Quad, "quad", 4, 0, 0x33},
    {TExportLayout::Surround51, "5.1", 6, 0, 0x60f},
    {TExportLayout::Surround71, "7.1", 8, 0, 0x63f},
    {TExportLayout::Ambix1, "ambix1", 4, 1, 0},
    {TExportLayout::Ambix2, "ambix2", 9, 2, 0},
    {TExportLayout::Ambix3, "ambix3", 16, 3, 0},
}};

const TLayoutName& LayoutEntry(TExportLayout layout) {
    for (const auto& l : LayoutNames)
        if (l.Layout == layout)
            return l;
    return LayoutNames[0];
}

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// Numbers in the child's lines and arguments: the point always, whatever the
// C library's locale, and enough digits to survive.
std::string Number(double v) {
    char text[64];
    const auto end = std::to_chars(text, text + sizeof text, std::isfinite(v) ? v : -1e9,
                                   std::chars_format::general, 9)
                         .ptr;
    return std::string(text, end);
}

} // namespace

std::optional<TExportLayout> ExportLayoutOfName(std::string_view name) {
    const std::string lower = Lower(name);
    for (const auto& l : LayoutNames)
        if (lower == l.Name)
            return l.Layout;
    return std::nullopt;
}

const char* ExportLayoutName(TExportLayout layout) {
    return LayoutEntry(layout).Name;
}

std::vector<TExportLayout> ExportLayouts() {
    std::vector<TExportLayout> all;
    for (const auto& l : LayoutNames)
        all.push_back(l.Layout);
    return all;
}

int ExportLayoutChannels(TExportLayout layout) {
    return LayoutEntry(layout).Channels;
}

uint32_t WavChannelMask(TExportLayout layout) {
    return LayoutEntry(layout).Mask;
}

int AmbixOrderOf(TExportLayout layout) {
    return LayoutEntry(layout).AmbixOrder;
}

std::string LayoutFormatError(TExportLayout layout, TExportFormat format,
                              const TTranslate& translate) {
    const int channels = ExportLayoutChannels(layout);
    const std::string name = ExportLayoutName(layout);
    if (format == TExportFormat::Ogg && channels > 2)
        return Filled(translate("ExportCommand", "Ogg Vorbis で書き出せるのはステレオと"
                                                 "バイノーラルだけです (%1 は書き出せません)。"
                                                 "WAV か FLAC を選んでください"),
                      {name});
    if ((format == TExportFormat::Flac16 || format == TExportFormat::Flac24) && channels > 8)
        return Filled(translate("ExportCommand", "FLAC が持てるのは 8 チャンネルまでで、%1 は "
                                                 "%2 チャンネルです。WAV を選んでください"),
                      {name, std::to_string(channels)});
    return {};
}

std::optional<TExportFormat> ExportFormatOfName(std::string_view name) {
    const std::string lower = Lower(name);
    for (const auto& f : FormatNames)
        if (lower == f.Name)
            return f.Format;
    return std::nullopt;
}

const char* ExportFormatName(TExportFormat format) {
    for (const auto& f : FormatNames)
        if (f.Format == format)
            return f.Name;
    return "wav16";
}

int SndfileFormatOf(TExportFormat format) {
    for (const auto& f : FormatNames)
        if (f.Format == format)
            return f.Sndfile;
    return FormatNames[0].Sndfile;
}

bool IsWavFormat(TExportFormat format) {
    return (SndfileFormatOf(format) & SF_FORMAT_TYPEMASK) == SF_FORMAT_WAV;
}

std::string StreamingWavHeader(TExportFormat format, int rate, TExportLayout layout) {
    const bool floats = format == TExportFormat::Float;
    const int bits = floats ? 32 : format == TExportFormat::Wav24 ? 24 : 16;
    const int channels = ExportLayoutChannels(layout);
    const int frameBytes = channels * bits / 8;
    // Readers guess the speakers of a plain header above two channels (four
    // become 4.0 with a centre): those carry the mask.
    const bool extensible = channels > 2;
    std::string h;
    const auto word = [&h](uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            h += static_cast<char>((v >> (8 * i)) & 0xff);
    };
    h += "RIFF";
    word(0xffffffff, 4);
    h += "WAVEfmt ";
    word(extensible ? 40 : 16, 4);
    const uint32_t tag = floats ? 3 : 1; // IEEE float or PCM
    word(extensible ? 0xfffe : tag, 2);
    word(static_cast<uint32_t>(channels), 2);
    word(static_cast<uint32_t>(rate), 4);
    word(static_cast<uint32_t>(rate * frameBytes), 4);
    word(static_cast<uint32_t>(frameBytes), 2);
    word(static_cast<uint32_t>(bits), 2);
    if (extensible) {
        word(22, 2);
        word(static_cast<uint32_t>(bits), 2); // valid bits
        word(WavChannelMask(layout), 4);
        // The sub-format GUID: the format tag, then the fixed
        // 00000000-0010-8000-00AA00389B71 tail.
        word(tag, 4);
        h += std::string("\x00\x00\x10\x00\x80\x00\x00\xaa\x00\x38\x9b\x71", 12);
    }
    h += "data";
    word(0xffffffff, 4);
    return h;
}

const char* ExportFormatExtension(TExportFormat format) {
    switch (format) {
    case TExportFormat::Flac16:
    case TExportFormat::Flac24:
        return "flac";
    case TExportFormat::Ogg:
        return "ogg";
    default:
        return "wav";
    }
}

bool ExtensionFitsFormat(std::string_view path, TExportFormat format) {
    const auto named = ExportFormatOfPath(path);
    return named &&
           ExportFormatExtension(*named) == std::string_view(ExportFormatExtension(format));
}

std::optional<TExportFormat> ExportFormatOfPath(std::string_view path) {
    const size_t slash = path.rfind('/');
    const size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash))
        return std::nullopt;
    const std::string ext = Lower(path.substr(dot + 1));
    if (ext == "wav")
        return TExportFormat::Wav16;
    if (ext == "flac")
        return TExportFormat::Flac16;
    if (ext == "ogg" || ext == "oga")
        return TExportFormat::Ogg;
    return std::nullopt;
}

std::vector<std::string> ExportArguments(const TExportOptions& o) {
    std::vector<std::string> args{"--export", o.Output,
                                  "--format", ExportFormatName(o.Format),
                                  "--rate",   std::to_string(o.Rate),
                                  "--layout", ExportLayoutName(o.Layout)};
    if (!o.HrtfDataSet.empty()) {
        args.push_back("--hrtf-set");
        args.push_back(o.HrtfDataSet);
    }
    if (o.Loop)
        args.push_back("--loop");
    if (o.Seconds) {
        args.push_back("--seconds");
        args.push_back(Number(*o.Seconds));
    }
    if (o.NormalizeLufs) {
        args.push_back("--normalize");
        args.push_back(Number(*o.NormalizeLufs));
    }
    if (o.Format == TExportFormat::Ogg) {
        args.push_back("--quality");
        args.push_back(std::to_string(o.OggQuality));
    }
    if (o.Threads > 0) {
        args.push_back("--threads");
        args.push_back(std::to_string(o.Threads));
    }
    if (o.MachineProgress)
        args.push_back("--progress-lines");
    if (o.Force)
        args.push_back("--force");
    if (!o.Language.empty()) {
        args.push_back("--lang");
        args.push_back(o.Language);
    }
    // A name may start with a minus.
    args.push_back("--");
    if (o.SoundFiles.empty())
        args.push_back(o.Playlist);
    args.insert(args.end(), o.SoundFiles.begin(), o.SoundFiles.end());
    return args;
}

TNormalisation NormalisationGain(double lufs, double truePeakDb, double targetLufs,
                                 double ceilingDb) {
    TNormalisation n;
    if (!std::isfinite(lufs)) // silence: nothing to bring up
        return n;
    n.GainDb = targetLufs - lufs;
    if (std::isfinite(truePeakDb) && truePeakDb + n.GainDb > ceilingDb) {
        n.GainDb = ceilingDb - truePeakDb;
        n.PeakLimited = true;
    }
    return n;
}

TTailTrimmer::TTailTrimmer(int rate, int channels, double quietSeconds, double maxTailSeconds)
    : channels_(static_cast<size_t>(std::max(1, channels))),
      quietFrames_(static_cast<size_t>(std::lround(quietSeconds * rate))),
      maxTail_(static_cast<size_t>(std::lround(maxTailSeconds * rate))) {}

std::string ProgressLine(double renderedSeconds, double totalSeconds) {
    return "PROGRESS " + Number(renderedSeconds) + " " + Number(totalSeconds) + "\n";
}

std::string ResultLine(const TExportSummary& s) {
    return "RESULT " + Number(s.Seconds) + " " + Number(s.Lufs) + " " + Number(s.TruePeakDb) + " " +
           Number(s.GainDb) + " " + Number(s.RealTimeFactor) + " " + (s.Normalised ? "1" : "0") +
           " " + (s.PeakLimited ? "1" : "0") + " " + (s.Measured ? "1" : "0") + " " +
           (s.LoudnessOfW ? "1" : "0") + " " + Number(s.LimiterDb) + " " + Number(s.LimiterShare) +
           "\n";
}

std::string ExistsLine() {
    return "EXISTS\n";
}

TChildLine ParseChildLine(std::string_view line) {
    TChildLine out;
    std::istringstream in{std::string(line)};
    in.imbue(std::locale::classic());
    std::string key;
    in >> key;
    if (key == "EXISTS") {
        out.LineKind = TChildLine::Kind::Exists;
    } else if (key == "PROGRESS") {
        if (in >> out.Rendered >> out.Total)
            out.LineKind = TChildLine::Kind::Progress;
    } else if (key == "RESULT") {
        TExportSummary& s = out.Summary;
        int normalised = 0, limited = 0;
        if (in >> s.Seconds >> s.Lufs >> s.TruePeakDb >> s.GainDb >> s.RealTimeFactor >>
            normalised >> limited) {
            s.Normalised = normalised != 0;
            s.PeakLimited = limited != 0;
            // A child of an earlier version does not say.
            if (int measured = 0; in >> measured)
                s.Measured = measured != 0;
            if (int ofW = 0; in >> ofW)
                s.LoudnessOfW = ofW != 0;
            if (double db = 0, share = 0; in >> db >> share) {
                s.LimiterDb = db;
                s.LimiterShare = share;
            }
            out.LineKind = TChildLine::Kind::Result;
        }
    }
    return out;
}

std::string PointNumber(double v, int decimals) {
    char text[400];
    const auto r = std::to_chars(text, text + sizeof text, v, std::chars_format::fixed, decimals);
    return r.ec == std::errc() ? std::string(text, r.ptr) : std::string("?");
}

std::string SummaryText(const TExportSummary& s, const TNumberText& number,
                        const TTranslate& translate, bool namesOptions) {
    const auto db = [](double v) { return v < -200 ? -HUGE_VAL : v; };
    const std::string comma = translate("ExportCommand", "、");
    std::string out = Filled(translate("ExportCommand", "%1 秒"), {number(s.Seconds, 2)}) + comma;
    if (!s.Measured)
        out += translate("ExportCommand", "ラウドネスは測っていません (メーターを開始できません)");
    else if (s.LoudnessOfW)
        out += Filled(translate("ExportCommand", "%1 LUFS (W のみ)、トゥルーピーク %2 dBTP"),
                      {number(db(s.Lufs), 1), number(db(s.TruePeakDb), 1)});
    else
        out += Filled(translate("ExportCommand", "%1 LUFS、トゥルーピーク %2 dBTP"),
                      {number(db(s.Lufs), 1), number(db(s.TruePeakDb), 1)});
    out +=
        comma + Filled(translate("ExportCommand", "実時間の %1 倍"), {number(s.RealTimeFactor, 0)});
    const std::string sentence = translate("ExportCommand", "。");
    if (s.Normalised) {
        out += sentence + Filled(translate("ExportCommand", "ゲイン %1 dB"),
                                 {(s.GainDb >= 0 ? "+" : "") + number(s.GainDb, 1)});
        if (s.PeakLimited)
            out += comma + translate("ExportCommand", "-1 dBTP の上限で止めました");
    }
    if (s.LimiterShare > 0)
        out +=
            sentence +
            Filled(namesOptions
                       ? translate("ExportCommand", "リミッター: 最大 %1 dB、時間の %2 % "
                                                    "(--normalize でラウドネスを揃えると、代わりに"
                                                    "ミックス全体が下がります)")
                       : translate("ExportCommand", "リミッター: 最大 %1 dB、時間の %2 % "
                                                    "(ラウドネスを揃えると、代わりにミックス全体が"
                                                    "下がります)"),
                   {number(s.LimiterDb, 1), number(100 * s.LimiterShare, 1)});
    return out;
}
