#include "hrtf/SofaConvert.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <complex>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <mysofa.h>
#include <numbers>
#include <numeric>
#include <set>
#include <sstream>
#include <unistd.h>

#include "files/AtomicFile.h"
#include "files/FileError.h"
#include "hrtf/MinimumPhase.h"

namespace {

constexpr double Pi = std::numbers::pi;
constexpr const char* MarkExtension = ".phonara-hrtf";
constexpr const char* MarkHeader = "PhonaraPlayer HRTF data set";

std::string Number(double v, int decimals) {
    std::ostringstream s;
    s.imbue(std::locale::classic());
    s.setf(std::ios::fixed);
    s.precision(decimals);
    s << v;
    return s.str();
}

std::string Attribute(MYSOFA_ATTRIBUTE* list, const char* name) {
    const char* value = mysofa_getAttribute(list, const_cast<char*>(name));
    return value ? value : "";
}

struct TSofaDeleter {
    void operator()(MYSOFA_HRTF* h) const { mysofa_free(h); }
};

// The grid OpenAL Soft's sets use: elevations every 10 degrees from -90 to
// +90, azimuths about every 5 degrees on the horizon, fewer towards the poles.
constexpr int GridElevations = 19;
int GridAzimuths(int elevationIndex) {
    const double el = -90.0 + 10.0 * elevationIndex;
    if (std::fabs(el) > 89.0)
        return 1;
    return std::clamp(static_cast<int>(std::lround(72.0 * std::cos(el * Pi / 180.0))), 1, 128);
}

struct TVector {
    double x, y, z;
};
TVector Direction(double azimuthDeg, double elevationDeg) {
    const double az = azimuthDeg * Pi / 180.0, el = elevationDeg * Pi / 180.0;
    return {std::cos(el) * std::cos(az), std::cos(el) * std::sin(az), std::sin(el)};
}

void PutLe(std::string& bytes, uint32_t v, int size) {
    for (int i = 0; i < size; ++i)
        bytes.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

std::string MarkPath(const std::string& folder, const std::string& name) {
    return folder + "/" + name + MarkExtension;
}

// The files a mark lists, or nothing when there is no mark of ours.
std::vector<std::string> MarkedFiles(const std::string& folder, const std::string& name) {
    std::ifstream in(MarkPath(folder, name));
    std::string line;
    if (!in || !std::getline(in, line) || line != MarkHeader)
        return {};
    std::vector<std::string> files;
    while (std::getline(in, line))
        if (!line.empty() && line.find('/') == std::string::npos && line.ends_with(".mhr"))
            files.push_back(line);
    return files;
}

bool WriteAtomically(const std::string& path, const std::string& bytes, int& error) {
    TAtomicFile::TOptions options;
    options.Tag = "hrtf";
    TAtomicFile file(path, options);
    if (!file.ok()) {
        error = file.error();
        return false;
    }
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(file.fd(), bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error = n < 0 ? errno : EIO;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    if (!file.commit()) {
        error = file.error();
        return false;
    }
    return true;
}

// text with "%1" replaced by value.
std::string Fill(std::string text, const std::string& value) {
    if (const auto at = text.find("%1"); at != std::string::npos)
        text.replace(at, 2, value);
    return text;
}

} // namespace

std::string SofaProblemText(const TSofaProblem& p, const TTranslate& translate) {
    switch (p.Error) {
    case TSofaError::None:
        return {};
    case TSofaError::Unreadable:
        return translate("SofaConvert", "ファイルを開けません: ") + p.Detail;
    case TSofaError::NotSofa:
        return translate("SofaConvert",
                         "SOFA ファイルとして読めません (壊れているか途中で切れています)");
    case TSofaError::Convention:
        return translate("SofaConvert", "SimpleFreeFieldHRIR 形式ではありません: ") +
               (p.Detail.empty() ? translate("SofaConvert", "(形式の記載なし)") : p.Detail);
    case TSofaError::Receivers:
        return Fill(translate("SofaConvert",
                              "両耳の 2 つの受音点が必要ですが、このファイルの受音点は %1 つです"),
                    p.Detail);
    case TSofaError::Rate:
        return translate("SofaConvert", "サンプリング周波数が読めません");
    case TSofaError::Horizon:
        return translate("SofaConvert", "水平面の測定位置に 30° を超える隙間があります (最大 ") +
               p.Detail + "°)";
    case TSofaError::Elevation:
        return translate("SofaConvert",
                         "仰角が -40° 以下から +60° 以上まで測定されていません (測定範囲 ") +
               p.Detail + ")";
    case TSofaError::Responses: {
        std::string why;
        if (p.Detail == "silent")
            why = translate("SofaConvert", "無音の応答があります");
        else if (p.Detail == "NaN")
            why = translate("SofaConvert", "数でない値があります");
        else if (p.Detail == "Data.Delay")
            why = translate("SofaConvert", "Data.Delay が負か数ではありません");
        else
            why = Fill(translate("SofaConvert", "遅延 %1 サンプルが上限 63 を超えます"), p.Detail);
        return translate("SofaConvert", "インパルス応答をデータセットにできません: ") + why;
    }
    case TSofaError::Cancelled:
        return translate("SofaConvert", "キャンセルしました");
    case TSofaError::Write:
        return translate("SofaConvert", "データセットを書き込めません: ") + p.Detail;
    }
    return {};
}

bool CheckSofa(const TSofaData& d, TSofaProblem& problem) {
    auto fail = [&](TSofaError e, std::string detail = {}) {
        problem = {e, std::move(detail)};
        return false;
    };
    if (d.Convention != "SimpleFreeFieldHRIR")
        return fail(TSofaError::Convention, d.Convention);
    if (d.Receivers != 2)
        return fail(TSofaError::Receivers, std::to_string(d.Receivers));
    if (!std::isfinite(d.Rate) || d.Rate < 8000.0 || d.Rate > 768000.0)
        return fail(TSofaError::Rate);
    const size_t m = d.Places.size();
    if (m == 0 || d.Samples == 0 || d.Responses.size() != m * 2 * d.Samples)
        return fail(TSofaError::NotSofa);
    if (!d.Delays.empty() && d.Delays.size() != 2 && d.Delays.size() != m * 2)
        return fail(TSofaError::NotSofa);

    // The horizon: the measured ring nearest to 0 degrees, within 10.
    double ring = 1e9;
    double low = 1e9, high = -1e9;
    for (const auto& p : d.Places) {
        if (std::fabs(p.Elevation) < std::fabs(ring))
            ring = p.Elevation;
        low = std::min(low, p.Elevation);
        high = std::max(high, p.Elevation);
    }
    std::vector<double> azimuths;
    for (const auto& p : d.Places)
        if (std::fabs(ring) <= 10.0 && std::fabs(p.Elevation - ring) < 0.5)
            azimuths.push_back(std::fmod(std::fmod(p.Azimuth, 360.0) + 360.0, 360.0));
    std::sort(azimuths.begin(), azimuths.end());
    double gap = 360.0;
    if (azimuths.size() > 1) {
        gap = azimuths.front() + 360.0 - azimuths.back();
        for (size_t i = 1; i < azimuths.size(); ++i)
            gap = std::max(gap, azimuths[i] - azimuths[i - 1]);
    }
    if (gap > 30.0 + 1e-3)
        return fail(TSofaError::Horizon, Number(gap, 1));
    if (low > -40.0 + 1e-3 || high < 60.0 - 1e-3)
        return fail(TSofaError::Elevation, Number(low, 0) + "° .. " + Number(high, 0) + "°");

    for (float v : d.Responses)
        if (!std::isfinite(v))
            return fail(TSofaError::Responses, "NaN");
    for (float v : d.Delays)
        if (!std::isfinite(v) || v < 0.f)
            return fail(TSofaError::Responses, "Data.Delay");
    return true;
}

bool ReadSofa(const std::string& path, TSofaData& d, TSofaProblem& problem) {
    // The system's reason for a file that cannot be opened at all, before
    // libmysofa's one code for everything.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        problem = {TSofaError::Unreadable, FileErrorText(errno)};
        return false;
    }
    ::close(fd);
    if (std::filesystem::is_directory(path)) {
        problem = {TSofaError::Unreadable, FileErrorText(EISDIR)};
        return false;
    }
    int err = 0;
    std::unique_ptr<MYSOFA_HRTF, TSofaDeleter> h(mysofa_load(path.c_str(), &err));
    if (!h || err != MYSOFA_OK) {
        problem = {TSofaError::NotSofa, std::to_string(err)};
        return false;
    }
    d = TSofaData{};
    d.Convention = Attribute(h->attributes, "SOFAConventions");
    d.Title = Attribute(h->attributes, "Title");
    d.DatabaseName = Attribute(h->attributes, "DatabaseName");
    d.ListenerShortName = Attribute(h->attributes, "ListenerShortName");
    d.Receivers = h->R;
    d.Samples = h->N;
    if (h->DataSamplingRate.elements >= 1 && h->DataSamplingRate.values)
        d.Rate = h->DataSamplingRate.values[0];
    TSofaData header = d;
    header.Places.resize(1); // the rest is checked once read
    header.Responses.resize(2 * d.Samples);
    header.Places[0].Elevation = 0;
    {
        // Convention, ears and rate first: their words are clearer than
        // libmysofa's codes.
        TSofaProblem early;
        if (!CheckSofa(header, early) &&
            (early.Error == TSofaError::Convention || early.Error == TSofaError::Receivers ||
             early.Error == TSofaError::Rate)) {
            problem = early;
            return false;
        }
    }
    if (mysofa_check(h.get()) != MYSOFA_OK || h->E != 1) {
        problem = {TSofaError::NotSofa, "check"};
        return false;
    }
    mysofa_tocartesian(h.get());
    if (h->ReceiverPosition.elements >= 6 && h->ReceiverPosition.values)
        d.LeftFirst = h->ReceiverPosition.values[1] >= h->ReceiverPosition.values[4];
    mysofa_tospherical(h.get());
    const size_t m = h->M;
    if (h->SourcePosition.elements != m * 3 || h->DataIR.elements != m * h->R * h->N) {
        problem = {TSofaError::NotSofa, "dimensions"};
        return false;
    }
    d.Places.resize(m);
    for (size_t i = 0; i < m; ++i) {
        const float* p = h->SourcePosition.values + 3 * i;
        d.Places[i] = {p[0], p[1], p[2]};
    }
    d.Responses.assign(h->DataIR.values, h->DataIR.values + h->DataIR.elements);
    if (h->DataDelay.values)
        d.Delays.assign(h->DataDelay.values, h->DataDelay.values + h->DataDelay.elements);
    return CheckSofa(d, problem);
}

bool MakeHrtfDataSet(const TSofaData& d, int rate, std::string& bytes, TSofaProblem& problem,
                     const TSofaProgress& progress) {
    const size_t m = d.Places.size(), n = d.Samples;
    double low = 1e9, high = -1e9;
    std::vector<TVector> measured(m);
    std::vector<double> distances(m);
    for (size_t i = 0; i < m; ++i) {
        low = std::min(low, d.Places[i].Elevation);
        high = std::max(high, d.Places[i].Elevation);
        measured[i] = Direction(d.Places[i].Azimuth, d.Places[i].Elevation);
        distances[i] = d.Places[i].Distance;
    }
    // Each grid point takes the nearest measurement; elevations beyond the
    // measured ones take the nearest measured elevation's.
    std::vector<int> azCounts;
    std::vector<size_t> chosen;
    for (int e = 0; e < GridElevations; ++e) {
        const int count = GridAzimuths(e);
        azCounts.push_back(count);
        const double el = std::clamp(-90.0 + 10.0 * e, low, high);
        for (int a = 0; a < count; ++a) {
            // The format's azimuths run clockwise, SOFA's counter-clockwise.
            const TVector want = Direction(-360.0 * a / count, el);
            size_t best = 0;
            double bestDot = -2.0;
            for (size_t i = 0; i < m; ++i) {
                const double dot =
                    want.x * measured[i].x + want.y * measured[i].y + want.z * measured[i].z;
                if (dot > bestDot) {
                    bestDot = dot;
                    best = i;
                }
            }
            chosen.push_back(best);
        }
    }

    // Every measurement used, once: its onset as the delay, and the minimum-
    // phase response of its magnitude at the set's rate as the taps. A
    // measured response cut short after its onset would lose its lows; its
    // minimum-phase twin holds them in the first taps (the magnitude smoothed
    // to what those taps can hold), and the delay between the ears stays in
    // the delays.
    struct TEar {
        std::vector<double> taps;
        double delay = 0;
    };
    std::map<size_t, std::array<TEar, 2>> responses;
    for (size_t i : chosen)
        responses[i];
    const double ratio = rate / d.Rate;
    // Four times the response's length: the cepstrum barely wraps. One size
    // serves both rates, so bin k at the set's rate sits at bin k * ratio of
    // the file's.
    size_t size = 2;
    while (size < 4 * n)
        size *= 2;
    std::vector<std::complex<double>> spectrum(size);
    std::vector<double> fileMagnitude(size / 2 + 1), magnitude(size / 2 + 1);
    size_t done = 0;
    for (auto& [index, ears] : responses) {
        if (progress && (done++ % 32) == 0 &&
            !progress(static_cast<double>(done) / static_cast<double>(responses.size()))) {
            problem = {TSofaError::Cancelled, {}};
            return false;
        }
        for (int ear = 0; ear < 2; ++ear) {
            const int receiver = d.LeftFirst ? ear : 1 - ear;
            const float* ir = d.Responses.data() + (index * 2 + static_cast<size_t>(receiver)) * n;
            // The onset: the first tap within 20 dB of the response's peak.
            double top = 0.0;
            for (size_t k = 0; k < n; ++k)
                top = std::max(top, static_cast<double>(std::fabs(ir[k])));
            if (top <= 0.0) {
                problem = {TSofaError::Responses, "silent"};
                return false;
            }
            size_t onset = 0;
            while (std::fabs(ir[onset]) < 0.1 * top)
                ++onset;
            std::fill(spectrum.begin(), spectrum.end(), 0.0);
            std::copy(ir, ir + n, spectrum.begin());
            Fft(spectrum);
            for (size_t k = 0; k < fileMagnitude.size(); ++k)
                fileMagnitude[k] = std::sqrt(std::norm(spectrum[k]));
            // Resampled in the spectrum: nothing above the file's Nyquist
            // frequency, the same gain below it.
            for (size_t k = 0; k < magnitude.size(); ++k) {
                const double at = static_cast<double>(k) * ratio;
                const auto below = static_cast<size_t>(at);
                const double part = at - static_cast<double>(below);
                magnitude[k] = below >= size / 2
                                   ? 0.0
                                   : (1.0 - part) * fileMagnitude[below] +
                                         part * fileMagnitude[std::min(below + 1, size / 2)];
            }
            TEar& out = ears[static_cast<size_t>(ear)];
            out.taps = MinimumPhase(magnitude, HrirTaps, HrirTaps);
            double extra = 0.0;
            if (d.Delays.size() == 2)
                extra = d.Delays[static_cast<size_t>(receiver)];
            else if (!d.Delays.empty())
                extra = d.Delays[index * 2 + static_cast<size_t>(receiver)];
            out.delay = (static_cast<double>(onset) + extra) * ratio;
        }
    }
    double first = 1e9;
    for (const auto& [index, ears] : responses)
        for (const auto& ear : ears)
            first = std::min(first, ear.delay);
    // The delay all responses share is latency, not direction.
    double longest = 0.0;
    for (auto& [index, ears] : responses)
        for (auto& ear : ears) {
            ear.delay -= first;
            longest = std::max(longest, ear.delay);
        }
    if (std::lround(longest) > HrirMaxDelay) {
        problem = {TSofaError::Responses, Number(longest, 0)};
        return false;
    }

    std::sort(distances.begin(), distances.end());
    const double distance = distances[distances.size() / 2];
    const auto millimetres =
        static_cast<uint32_t>(std::clamp(std::lround(distance * 1000.0), 50L, 2500L));

    bytes.clear();
    bytes += "MinPHR02";
    PutLe(bytes, static_cast<uint32_t>(rate), 4);
    PutLe(bytes, 1, 1); // 24-bit coefficients
    PutLe(bytes, 1, 1); // both ears
    PutLe(bytes, HrirTaps, 1);
    PutLe(bytes, 1, 1); // one field
    PutLe(bytes, millimetres, 2);
    PutLe(bytes, GridElevations, 1);
    for (int c : azCounts)
        PutLe(bytes, static_cast<uint32_t>(c), 1);
    // One factor for the whole set: both ears' energy, averaged over the
    // horizon, as in OpenAL Soft's own default sets (1.08 at 44.1 kHz, 1.17
    // at 48 kHz), so that a set plays as loud as those; lower only when the
    // loudest tap would pass full scale.
    const size_t ring = static_cast<size_t>(
        std::accumulate(azCounts.begin(), azCounts.begin() + GridElevations / 2, 0));
    double energy = 0.0, peak = 0.0;
    for (int a = 0; a < azCounts[GridElevations / 2]; ++a)
        for (const auto& ear : responses[chosen[ring + static_cast<size_t>(a)]])
            for (double v : ear.taps)
                energy += v * v;
    energy /= azCounts[GridElevations / 2];
    for (const auto& [index, ears] : responses)
        for (const auto& ear : ears)
            for (double v : ear.taps)
                peak = std::max(peak, std::fabs(v));
    const double scale =
        std::min(std::sqrt(1.078 * rate / 44100.0 / energy), 0.99 / peak) * 8388607.0;
    for (size_t i : chosen) {
        const auto& ears = responses[i];
        for (int k = 0; k < HrirTaps; ++k)
            for (const auto& ear : ears) {
                const auto v =
                    static_cast<int32_t>(std::lround(ear.taps[static_cast<size_t>(k)] * scale));
                PutLe(bytes, static_cast<uint32_t>(v), 3);
            }
    }
    for (size_t i : chosen)
        for (const auto& ear : responses[i])
            PutLe(bytes, static_cast<uint32_t>(std::lround(ear.delay)), 1);
    return true;
}

std::string HrtfDataFolder() {
    const char* data = std::getenv("XDG_DATA_HOME");
    std::string base;
    if (data && *data == '/') {
        base = data;
    } else {
        const char* home = std::getenv("HOME");
        base = std::string(home ? home : "") + "/.local/share";
    }
    return base + "/openal/hrtf";
}

std::string SofaSetName(const TSofaData& d, const std::string& path) {
    std::string name = d.Title;
    if (name.empty()) {
        name = d.DatabaseName;
        if (!d.ListenerShortName.empty())
            name += (name.empty() ? "" : " ") + d.ListenerShortName;
    }
    if (name.empty())
        name = std::filesystem::path(path).stem().string();
    std::string clean;
    for (unsigned char c : name)
        clean.push_back(c < 0x20 || c == '/' || c == 0x7F ? ' ' : static_cast<char>(c));
    // No hidden file, no empty name, no name past what a file system takes.
    while (!clean.empty() && (clean.front() == '.' || clean.front() == ' '))
        clean.erase(clean.begin());
    while (!clean.empty() && clean.back() == ' ')
        clean.pop_back();
    if (clean.size() > 80) {
        clean.resize(80);
        while (!clean.empty() && (static_cast<unsigned char>(clean.back()) & 0xC0) == 0x80)
            clean.pop_back();
        if (!clean.empty() && static_cast<unsigned char>(clean.back()) >= 0xC0)
            clean.pop_back();
    }
    return clean.empty() ? "SOFA" : clean;
}

std::string HrtfEntryName(const std::string& setName, int rate) {
    return setName + "-" + std::to_string(rate);
}

int HrtfEntryForRate(const std::vector<std::string>& listed, const std::string& name, int rate) {
    auto find = [&](const std::string& entry) {
        const auto at = std::find(listed.begin(), listed.end(), entry);
        return at == listed.end() ? -1 : static_cast<int>(at - listed.begin());
    };
    for (int other : HrtfRates()) {
        const std::string suffix = "-" + std::to_string(other);
        if (other != rate && name.size() > suffix.size() && name.ends_with(suffix))
            if (const int sibling =
                    find(HrtfEntryName(name.substr(0, name.size() - suffix.size()), rate));
                sibling >= 0)
                return sibling;
    }
    if (const int exact = find(name); exact >= 0)
        return exact;
    return find(HrtfEntryName(name, rate));
}

bool IsSofaFileName(const std::string& name) {
    if (name.size() < 5)
        return false;
    std::string end = name.substr(name.size() - 5);
    std::transform(end.begin(), end.end(), end.begin(),
                   [](unsigned char c) { return std::tolower(c); });
    return end == ".sofa";
}

bool InstallHrtfSet(const std::string& folder, std::string& name,
                    const std::vector<std::pair<int, std::string>>& files, TSofaProblem& problem) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        problem = {TSofaError::Write, FileErrorText(ec.value())};
        return false;
    }
    // A name taken by files that are not ours moves on to "NAME (2)".
    const std::string base = name;
    for (int n = 2;; ++n) {
        const bool ours = !MarkedFiles(folder, name).empty();
        bool taken = false;
        for (const auto& [rate, bytes] : files)
            taken = taken ||
                    std::filesystem::exists(folder + "/" + HrtfEntryName(name, rate) + ".mhr", ec);
        taken = taken || std::filesystem::exists(MarkPath(folder, name), ec);
        if (ours || !taken)
            break;
        name = base + " (" + std::to_string(n) + ")";
    }
    const bool replacing = !MarkedFiles(folder, name).empty();
    std::string mark = std::string(MarkHeader) + "\n";
    for (const auto& [rate, bytes] : files)
        mark += HrtfEntryName(name, rate) + ".mhr\n";
    int error = 0;
    // The mark first: a file of ours is never left without one.
    if (!WriteAtomically(MarkPath(folder, name), mark, error)) {
        problem = {TSofaError::Write, FileErrorText(error)};
        return false;
    }
    std::vector<std::string> written;
    for (const auto& [rate, bytes] : files) {
        const std::string path = folder + "/" + HrtfEntryName(name, rate) + ".mhr";
        if (!WriteAtomically(path, bytes, error)) {
            if (!replacing) {
                for (const auto& w : written)
                    std::filesystem::remove(w, ec);
                std::filesystem::remove(MarkPath(folder, name), ec);
            }
            problem = {TSofaError::Write, FileErrorText(error)};
            return false;
        }
        written.push_back(path);
    }
    return true;
}

std::vector<std::string> InstalledHrtfSets(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        const std::string file = entry.path().filename().string();
        if (!file.ends_with(MarkExtension) || file.starts_with("."))
            continue;
        const std::string name = file.substr(0, file.size() - std::strlen(MarkExtension));
        if (!MarkedFiles(folder, name).empty())
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool RemoveHrtfSet(const std::string& folder, const std::string& name) {
    const auto files = MarkedFiles(folder, name);
    if (files.empty())
        return false;
    std::error_code ec;
    bool ok = true;
    for (const auto& file : files) {
        std::filesystem::remove(folder + "/" + file, ec);
        ok = ok && !ec;
    }
    return std::filesystem::remove(MarkPath(folder, name), ec) && ok;
}

bool LoadSofaFile(const std::string& path, const std::string& folder, std::string& name,
                  TSofaProblem& problem, const TSofaProgress& progress) {
    TSofaData data;
    if (!ReadSofa(path, data, problem))
        return false;
    const auto& rates = HrtfRates();
    std::vector<std::pair<int, std::string>> files;
    for (size_t r = 0; r < rates.size(); ++r) {
        std::string bytes;
        const TSofaProgress part = [&](double done) {
            return !progress ||
                   progress((static_cast<double>(r) + done) / static_cast<double>(rates.size()));
        };
        if (!part(0.0)) {
            problem = {TSofaError::Cancelled, {}};
            return false;
        }
        if (!MakeHrtfDataSet(data, rates[r], bytes, problem, part))
            return false;
        files.emplace_back(rates[r], std::move(bytes));
    }
    if (progress && !progress(1.0)) {
        problem = {TSofaError::Cancelled, {}};
        return false;
    }
    name = SofaSetName(data, path);
    return InstallHrtfSet(folder, name, files, problem);
}
