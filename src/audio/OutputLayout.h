// The speakers the program plays to: the output layout the user chooses (kept
// in the settings, or --output-layout for one run), the Ambisonics decoders
// with a centre speaker that OpenAL Soft uses for quad, 5.1 and 7.1 (live and
// in exports), and the OpenAL Soft configuration of the program's own that
// carries them, merged over the user's. No Qt: tested directly.
//
// OpenAL Soft reads its configuration once per process, at the first call:
// /etc/openal/alsoft.conf, $XDG_CONFIG_DIRS/alsoft.conf, ~/.alsoftrc,
// $XDG_CONFIG_HOME/alsoft.conf, then the file $ALSOFT_CONF names, each
// overriding the ones before. The program's file takes the place of
// $ALSOFT_CONF: it repeats the user's $ALSOFT_CONF and adds its own keys, so
// every setting of the user's stays in force, and a decoder the user named
// for a layout is kept.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

enum class TOutputLayout {
    Automatic, // what the device offers, as OpenAL Soft decides
    Headphones,
    Stereo,
    Quad,
    Surround51,
    Surround71,
    Ambix1,
    Ambix2,
    Ambix3
};

// "auto", "headphones", "stereo", "quad", "5.1", "7.1", "ambix1", "ambix2",
// "ambix3": the settings' and the command line's words.
const char* OutputLayoutWord(TOutputLayout layout);
std::optional<TOutputLayout> OutputLayoutOfWord(std::string_view word);
std::vector<TOutputLayout> OutputLayouts();
// OpenAL Soft's "channels" value for the layout; empty for Automatic.
std::string AlsoftChannels(TOutputLayout layout);
// Whether headphone 3D (HRTF) can apply: it needs a stereo output.
bool LayoutAllowsHrtf(TOutputLayout layout);

// The speaker sets with a decoder of the program's: quad (±45°, ±135°), 5.1
// after ITU-R BS.775 (centre 0°, ±30°, surrounds ±110°) and 7.1 (centre, ±30°,
// sides ±90°, backs ±150°). The LFE gets nothing from a direction.
enum class TSpeakerSet { Quad, Surround51, Surround71 };
struct TSpeaker {
    const char* Label; // AmbDec's: LF, RF, CE, LS, RS, LB, RB
    double AzimuthDeg; // counter-clockwise from the front (left positive)
};
std::vector<TSpeaker> SpeakersOf(TSpeakerSet set);
// OpenAL Soft's [decoder] key for the set: "quad", "surround51", "surround71".
const char* DecoderKey(TSpeakerSet set);

// The horizontal third-order decoder of set: one row per speaker, over the
// SN3D channels W, Y, X, V, U, Q, P (ACN 0, 1, 3, 4, 8, 9, 15). Fitted by
// least squares to pairwise amplitude panning (VBAP) over the whole circle,
// the speakers' own directions weighted most, so that a source at a speaker
// plays from it (a source in front from the centre).
using TDecoderMatrix = std::vector<std::vector<double>>;
TDecoderMatrix DecoderMatrix(TSpeakerSet set);
// Each speaker's gain for a source at azimuth through the decoder.
std::vector<double> DecodedGains(TSpeakerSet set, double azimuthDeg);
// The decoder as an AmbDec file (version 3, single band) for OpenAL Soft.
std::string AmbDecText(TSpeakerSet set);

// An OpenAL Soft configuration read: "section/key" -> value ("general/..."
// for keys before any section).
using TAlsoftSettings = std::map<std::string, std::string>;
TAlsoftSettings ReadAlsoftSettings(std::string_view text);

// The configuration files OpenAL Soft reads, in its order, without the
// $ALSOFT_CONF file; env reads an environment variable (null when unset).
std::vector<std::string> AlsoftConfigPaths(const std::function<const char*(const char*)>& env,
                                           const std::string& programFolder);

// The program's configuration: the user's $ALSOFT_CONF text, then the
// layout's channels, and the decoder files (decoderPaths by DecoderKey) for
// the keys the user's settings leave empty. user: every file's settings
// merged, in OpenAL Soft's order.
std::string ProgramAlsoftConfig(TOutputLayout layout, const TAlsoftSettings& user,
                                const std::string& userAlsoftConf,
                                const std::map<std::string, std::string>& decoderPaths);

// Writes the decoders and the program's configuration into a folder of this
// process's own and points $ALSOFT_CONF at it. To be called before the first
// audio call; false (with why) leaves OpenAL Soft's configuration as it was.
bool ApplyOutputLayout(TOutputLayout layout, const std::string& programFolder, std::string& error);
