#include "audio/OutputLayout.h"

#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <locale>
#include <sstream>
#include <unistd.h>

#include "files/FileError.h"

namespace {

struct TLayoutWord {
    TOutputLayout Layout;
    const char* Word;
    const char* Channels; // OpenAL Soft's
};

constexpr std::array<TLayoutWord, 9> LayoutWords{{
    {TOutputLayout::Automatic, "auto", ""},
    {TOutputLayout::Headphones, "headphones", "stereo"},
    {TOutputLayout::Stereo, "stereo", "stereo"},
    {TOutputLayout::Quad, "quad", "quad"},
    {TOutputLayout::Surround51, "5.1", "surround51"},
    {TOutputLayout::Surround71, "7.1", "surround71"},
    {TOutputLayout::Ambix1, "ambix1", "ambi1"},
    {TOutputLayout::Ambix2, "ambix2", "ambi2"},
    {TOutputLayout::Ambix3, "ambix3", "ambi3"},
}};

constexpr int Harmonics = 7; // horizontal third order
constexpr double Pi = 3.14159265358979323846;

// The SN3D circular harmonics W, Y, X, V, U, Q, P at azimuth (radians).
std::array<double, Harmonics> Circular(double a) {
    const double c2 = std::sqrt(3.0) / 2, c3 = std::sqrt(5.0 / 8.0);
    return {1,
            std::sin(a),
            std::cos(a),
            c2 * std::sin(2 * a),
            c2 * std::cos(2 * a),
            c3 * std::sin(3 * a),
            c3 * std::cos(3 * a)};
}

// Pairwise amplitude panning between the two speakers around a (radians),
// at constant power.
std::vector<double> Vbap(const std::vector<TSpeaker>& speakers, double a) {
    const size_t n = speakers.size();
    std::vector<double> gains(n, 0.0);
    const auto angle = [](double deg) { return std::remainder(deg * Pi / 180, 2 * Pi); };
    // The speaker nearest counter-clockwise below a, and the next one above.
    size_t below = 0, above = 0;
    double toBelow = 1e9, toAbove = 1e9;
    for (size_t i = 0; i < n; ++i) {
        const double d = std::remainder(a - angle(speakers[i].AzimuthDeg), 2 * Pi);
        if (d >= 0 && d < toBelow)
            toBelow = d, below = i;
        if (d <= 0 && -d < toAbove)
            toAbove = -d, above = i;
    }
    const double p = angle(speakers[below].AzimuthDeg), q = angle(speakers[above].AzimuthDeg);
    if (below == above) {
        gains[below] = 1;
        return gains;
    }
    const double det = std::sin(q - p);
    double gp = std::sin(q - a) / det, gq = std::sin(a - p) / det;
    const double norm = std::hypot(gp, gq);
    gains[below] = gp / norm;
    gains[above] = gq / norm;
    return gains;
}

// Solves m x = b (small, well conditioned) by Gauss-Jordan elimination.
std::array<double, Harmonics> Solve(std::array<std::array<double, Harmonics>, Harmonics> m,
                                    std::array<double, Harmonics> b) {
    for (int c = 0; c < Harmonics; ++c) {
        int pivot = c;
        for (int r = c + 1; r < Harmonics; ++r)
            if (std::fabs(m[r][c]) > std::fabs(m[pivot][c]))
                pivot = r;
        std::swap(m[c], m[pivot]);
        std::swap(b[c], b[pivot]);
        for (int r = 0; r < Harmonics; ++r) {
            if (r == c)
                continue;
            const double f = m[r][c] / m[c][c];
            for (int k = c; k < Harmonics; ++k)
                m[r][k] -= f * m[c][k];
            b[r] -= f * b[c];
        }
    }
    for (int c = 0; c < Harmonics; ++c)
        b[c] /= m[c][c];
    return b;
}

std::string Trim(std::string_view s) {
    const size_t a = s.find_first_not_of(" \t\r");
    if (a == std::string_view::npos)
        return {};
    const size_t b = s.find_last_not_of(" \t\r");
    return std::string(s.substr(a, b - a + 1));
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return in ? text.str() : std::string();
}

bool WriteText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    return !out.fail();
}

// The folder of this process's configuration, removed when the process ends
// (OpenAL Soft reads the decoders again at every device reset).
struct TConfigFolder {
    std::string Path;
    ~TConfigFolder() {
        std::error_code ignored;
        if (!Path.empty())
            std::filesystem::remove_all(Path, ignored);
    }
};

} // namespace

const char* OutputLayoutWord(TOutputLayout layout) {
    for (const auto& l : LayoutWords)
        if (l.Layout == layout)
            return l.Word;
    return "auto";
}

std::optional<TOutputLayout> OutputLayoutOfWord(std::string_view word) {
    for (const auto& l : LayoutWords)
        if (word == l.Word)
            return l.Layout;
    return std::nullopt;
}

std::vector<TOutputLayout> OutputLayouts() {
    std::vector<TOutputLayout> all;
    for (const auto& l : LayoutWords)
        all.push_back(l.Layout);
    return all;
}

std::string AlsoftChannels(TOutputLayout layout) {
    for (const auto& l : LayoutWords)
        if (l.Layout == layout)
            return l.Channels;
    return {};
}

bool LayoutAllowsHrtf(TOutputLayout layout) {
    return layout == TOutputLayout::Automatic || layout == TOutputLayout::Headphones;
}

std::vector<TSpeaker> SpeakersOf(TSpeakerSet set) {
    switch (set) {
    case TSpeakerSet::Quad:
        return {{"LF", 45}, {"RF", -45}, {"LB", 135}, {"RB", -135}};
    case TSpeakerSet::Surround51:
        return {{"LF", 30}, {"RF", -30}, {"CE", 0}, {"LS", 110}, {"RS", -110}};
    case TSpeakerSet::Surround71:
        return {{"LF", 30},   {"RF", -30}, {"CE", 0},  {"LB", 150},
                {"RB", -150}, {"LS", 90},  {"RS", -90}};
    }
    return {};
}

const char* DecoderKey(TSpeakerSet set) {
    switch (set) {
    case TSpeakerSet::Quad:
        return "quad";
    case TSpeakerSet::Surround51:
        return "surround51";
    case TSpeakerSet::Surround71:
        return "surround71";
    }
    return "";
}

TDecoderMatrix DecoderMatrix(TSpeakerSet set) {
    const std::vector<TSpeaker> speakers = SpeakersOf(set);
    // Weighted least squares: every half degree of the circle counts once,
    // each speaker's own direction a hundred times, so that the third order's
    // smoothing does not pull a source at a speaker onto its neighbours.
    constexpr int Steps = 720;
    constexpr double SpeakerWeight = 100;
    std::vector<std::pair<double, double>> points; // azimuth, weight
    for (int k = 0; k < Steps; ++k)
        points.emplace_back(2 * Pi * k / Steps, 1.0);
    for (const TSpeaker& s : speakers)
        points.emplace_back(s.AzimuthDeg * Pi / 180, SpeakerWeight);
    std::array<std::array<double, Harmonics>, Harmonics> normal{};
    std::vector<std::array<double, Harmonics>> right(speakers.size());
    for (const auto& [a, w] : points) {
        const auto y = Circular(a);
        const std::vector<double> g = Vbap(speakers, a);
        for (int i = 0; i < Harmonics; ++i) {
            for (int j = 0; j < Harmonics; ++j)
                normal[i][j] += w * y[i] * y[j];
            for (size_t s = 0; s < speakers.size(); ++s)
                right[s][i] += w * g[s] * y[i];
        }
    }
    TDecoderMatrix rows;
    for (size_t s = 0; s < speakers.size(); ++s) {
        const auto row = Solve(normal, right[s]);
        rows.emplace_back(row.begin(), row.end());
    }
    return rows;
}

std::vector<double> DecodedGains(TSpeakerSet set, double azimuthDeg) {
    const TDecoderMatrix m = DecoderMatrix(set);
    const auto y = Circular(azimuthDeg * Pi / 180);
    std::vector<double> gains;
    for (const auto& row : m) {
        double g = 0;
        for (int h = 0; h < Harmonics; ++h)
            g += row[size_t(h)] * y[size_t(h)];
        gains.push_back(g);
    }
    return gains;
}

std::string AmbDecText(TSpeakerSet set) {
    const std::vector<TSpeaker> speakers = SpeakersOf(set);
    const TDecoderMatrix m = DecoderMatrix(set);
    std::ostringstream out;
    out.imbue(std::locale::classic());
    out.setf(std::ios::fixed);
    out.precision(6);
    out << "# AmbDec configuration written by PhonaraPlayer: horizontal third order,\n"
           "# least squares fitted to pairwise panning, a centre speaker used.\n"
           "/description PhonaraPlayer_"
        << DecoderKey(set)
        << "\n/version 3\n"
           "/dec/chan_mask 831b\n"
           "/dec/freq_bands 1\n"
           "/dec/speakers "
        << speakers.size()
        << "\n/dec/coeff_scale sn3d\n"
           "/opt/input_scale sn3d\n"
           "/opt/nfeff_comp input\n"
           "/opt/delay_comp on\n"
           "/opt/level_comp on\n"
           "/opt/xover_freq 400.000000\n"
           "/opt/xover_ratio 0.000000\n"
           "/speakers/{\n";
    // Every speaker at the same distance: no delay or level compensation.
    for (const TSpeaker& s : speakers)
        out << "add_spkr " << s.Label << " 1.000000 " << s.AzimuthDeg << " 0.000000\n";
    out << "/}\n/matrix/{\norder_gain 1.000000 1.000000 1.000000 1.000000\n";
    for (const auto& row : m) {
        out << "add_row";
        for (const double v : row)
            out << ' ' << v;
        out << '\n';
    }
    out << "/}\n/end\n";
    return out.str();
}

TAlsoftSettings ReadAlsoftSettings(std::string_view text) {
    TAlsoftSettings settings;
    std::string section = "general";
    size_t at = 0;
    while (at <= text.size()) {
        const size_t end = std::min(text.find('\n', at), text.size());
        std::string line = Trim(text.substr(at, end - at));
        at = end + 1;
        if (const size_t hash = line.find('#'); hash != std::string::npos)
            line = Trim(line.substr(0, hash));
        if (line.empty())
            continue;
        if (line.front() == '[') {
            const size_t close = line.find(']');
            section =
                Trim(line.substr(1, close == std::string::npos ? std::string::npos : close - 1));
            continue;
        }
        const size_t eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        std::string value = Trim(line.substr(eq + 1));
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        settings[section + "/" + Trim(line.substr(0, eq))] = value;
    }
    return settings;
}

std::vector<std::string> AlsoftConfigPaths(const std::function<const char*(const char*)>& env,
                                           const std::string& programFolder) {
    const auto set = [&env](const char* name) {
        const char* v = env(name);
        return v && *v ? std::string(v) : std::string();
    };
    std::vector<std::string> paths{"/etc/openal/alsoft.conf"};
    // The system folders, the most important first: read last.
    std::string dirs = set("XDG_CONFIG_DIRS");
    if (dirs.empty())
        dirs = "/etc/xdg";
    std::vector<std::string> system;
    for (size_t at = 0; at <= dirs.size();) {
        const size_t colon = std::min(dirs.find(':', at), dirs.size());
        if (colon > at)
            system.push_back(dirs.substr(at, colon - at) + "/alsoft.conf");
        at = colon + 1;
    }
    paths.insert(paths.end(), system.rbegin(), system.rend());
    const std::string home = set("HOME");
    if (!home.empty())
        paths.push_back(home + "/.alsoftrc");
    if (const std::string config = set("XDG_CONFIG_HOME"); !config.empty())
        paths.push_back(config + "/alsoft.conf");
    else if (!home.empty())
        paths.push_back(home + "/.config/alsoft.conf");
    if (!programFolder.empty())
        paths.push_back(programFolder + "/alsoft.conf");
    return paths;
}

std::string ProgramAlsoftConfig(TOutputLayout layout, const TAlsoftSettings& user,
                                const std::string& userAlsoftConf,
                                const std::map<std::string, std::string>& decoderPaths) {
    std::string out = "# Written by PhonaraPlayer for this run: the user's $ALSOFT_CONF (if\n"
                      "# any), then the output layout and the program's decoders.\n";
    out += userAlsoftConf;
    if (!out.empty() && out.back() != '\n')
        out += '\n';
    const auto userSet = [&user](const std::string& key) {
        const auto it = user.find(key);
        return it != user.end() && !it->second.empty();
    };
    if (const std::string channels = AlsoftChannels(layout); !channels.empty()) {
        out += "[general]\nchannels = " + channels + "\n";
        if (channels.rfind("ambi", 0) == 0 && !userSet("general/ambi-format"))
            out += "ambi-format = acn+sn3d\n";
        if (layout == TOutputLayout::Headphones && !userSet("general/stereo-mode"))
            out += "stereo-mode = headphones\n";
        if (layout == TOutputLayout::Stereo && !userSet("general/stereo-mode"))
            out += "stereo-mode = speakers\n";
    }
    std::string decoders;
    for (const auto& [key, path] : decoderPaths)
        if (!userSet("decoder/" + key))
            decoders += key + " = " + path + "\n";
    if (!decoders.empty())
        out += "[decoder]\n" + decoders;
    return out;
}

bool ApplyOutputLayout(TOutputLayout layout, const std::string& programFolder, std::string& error) {
    static TConfigFolder folder;
    if (folder.Path.empty()) {
        const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(runtime && *runtime ? runtime
                                          : tmp && *tmp       ? tmp
                                                              : "/tmp") +
                              "/phonaraplayer-openal-XXXXXX";
        if (!::mkdtemp(pattern.data())) {
            error = pattern + ": " + FileErrorText(errno);
            return false;
        }
        folder.Path = pattern;
    }
    const auto env = [](const char* name) { return static_cast<const char*>(std::getenv(name)); };
    TAlsoftSettings user;
    for (const std::string& path : AlsoftConfigPaths(env, programFolder))
        for (const auto& [key, value] : ReadAlsoftSettings(ReadText(path)))
            user[key] = value;
    // The user's own file, unless it is one of ours handed down by the
    // program that started this one (an export's child process).
    std::string userConf;
    if (const char* conf = std::getenv("ALSOFT_CONF"); conf && *conf) {
        const std::string name = conf;
        if (name.find("/phonaraplayer-openal-") == std::string::npos) {
            userConf = ReadText(name);
        } else {
            const std::string handed = std::getenv("PHONARA_USER_ALSOFT_CONF")
                                           ? std::getenv("PHONARA_USER_ALSOFT_CONF")
                                           : "";
            userConf = handed.empty() ? std::string() : ReadText(handed);
        }
        for (const auto& [key, value] : ReadAlsoftSettings(userConf))
            user[key] = value;
    }
    std::map<std::string, std::string> decoders;
    for (const TSpeakerSet set :
         {TSpeakerSet::Quad, TSpeakerSet::Surround51, TSpeakerSet::Surround71}) {
        const std::string path = folder.Path + "/" + DecoderKey(set) + ".ambdec";
        if (!WriteText(path, AmbDecText(set))) {
            error = path + ": " + FileErrorText(errno);
            return false;
        }
        decoders[DecoderKey(set)] = path;
    }
    const std::string conf = folder.Path + "/alsoft.conf";
    if (!WriteText(conf, ProgramAlsoftConfig(layout, user, userConf, decoders))) {
        error = conf + ": " + FileErrorText(errno);
        return false;
    }
    if (const char* own = std::getenv("ALSOFT_CONF");
        own && *own && std::string(own).find("/phonaraplayer-openal-") == std::string::npos)
        ::setenv("PHONARA_USER_ALSOFT_CONF", own, 1);
    ::setenv("ALSOFT_CONF", conf.c_str(), 1);
    return true;
}
