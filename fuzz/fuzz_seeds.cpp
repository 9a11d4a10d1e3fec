// Writes the fuzz targets' seed corpus into <folder>/audio and
// <folder>/playlist: short valid files of every format the library reads
// (with the helpers the tests write theirs with), and playlists from the
// program's own writer. Seeds are kept small: the fuzzer mutates them.
#include "AudioRender.h"
#include "SoundFiles.h"
#include "WavPackFiles.h"
#include "playlist/PlaylistFormat.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

using namespace testsupport;

namespace {

bool writeText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
    return static_cast<bool>(out);
}

bool writeAudio(const std::string& dir) {
    const ToneSpec mono{.seconds = 0.02}, stereo{.channels = 2, .rate = 22050, .seconds = 0.02},
        longer{.seconds = 0.1};
    const auto samples = toneSamples(mono);
    bool ok = writeTone(dir + "/mono.wav", mono) && writeTone(dir + "/stereo.aif", stereo) &&
              writeTone(dir + "/mono.flac", mono) && writeTone(dir + "/mono.ogg", longer) &&
              writeMp3(dir + "/mono.mp3", longer) && writeMp3(dir + "/stereo.mp3", stereo) &&
              writeBytes(dir + "/tiny.mod", tinyModule());
    ok = ok && writeWavPack(dir + "/int16.wv", samples, 1, mono.rate).empty() &&
         writeWavPack(dir + "/float.wv", samples, 1, mono.rate, WavPackSamples::Float32).empty();
    return ok;
}

bool writePlaylists(const std::string& dir) {
    const std::vector<TPlaylistChannel> channels = {{-1.25f, 0.5f, 2.5f, "/music/a.wav"},
                                                    {0.05f, -0.1f, 0.f, "relative/b c.mp3"}};
    return writeText(dir + "/two.pna", FormatPlaylist(7, 3, channels)) &&
           writeText(dir + "/empty.pna", FormatPlaylist(0, 0, {})) &&
           writeText(dir + "/list.m3u", "#EXTM3U\n#EXTINF:12,Title\n/music/a.wav\r\n"
                                        "#PNAPParam 1.5,-2.5,0.25\rb.ogg\n");
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s folder\n", argv[0]);
        return 2;
    }
    const std::string root = argv[1];
    std::error_code ec;
    std::filesystem::create_directories(root + "/audio", ec);
    std::filesystem::create_directories(root + "/playlist", ec);
    if (!writeAudio(root + "/audio") || !writePlaylists(root + "/playlist")) {
        std::fprintf(stderr, "%s: could not write the seeds\n", argv[0]);
        return 1;
    }
    return 0;
}
