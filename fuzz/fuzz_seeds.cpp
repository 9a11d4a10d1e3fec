// Writes the fuzz targets' seed corpus into <folder>/audio, <folder>/playlist
// and <folder>/remote: short valid files of every format the library reads
// (with the helpers the tests write theirs with), playlists from the
// program's own writer, and OSC datagrams of every kind the remote control
// takes. Seeds are kept small: the fuzzer mutates them.
#include "AudioRender.h"
#include "SoundFiles.h"
#include "WavPackFiles.h"
#include "playlist/PlaylistFormat.h"
#include "remote/RemoteProtocol.h"

#include <lo/lo.h>

#include <cstdio>
#include <cstdlib>
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

bool writeDatagram(const std::string& path, const remote::Datagram& d) {
    return writeText(path, std::string(d.begin(), d.end()));
}

bool writeRemote(const std::string& dir) {
    using remote::Message;
    bool ok =
        writeDatagram(dir + "/xyz",
                      Message("/adm/obj/1/xyz").Float(1).Float(0).Float(0).Encode()) &&
        writeDatagram(dir + "/aed",
                      Message("/adm/obj/2/aed").Float(30).Float(-10).Float(0.5).Encode()) &&
        writeDatagram(dir + "/azim", Message("/adm/obj/7/azim").Int(45).Encode()) &&
        writeDatagram(dir + "/gain", Message("/adm/obj/*/gain").Float(0.5).Encode()) &&
        writeDatagram(dir + "/mute", Message("/adm/obj/{1,2}/mute").Int(1).Encode()) &&
        writeDatagram(dir + "/query", Message("/adm/obj/[1-7]/name").Encode()) &&
        writeDatagram(dir + "/play", Message("/phonara/obj/32/play").Encode()) &&
        writeDatagram(dir + "/load",
                      Message("/phonara/obj/3/load").String("/tmp/a.wav").Encode()) &&
        writeDatagram(dir + "/open",
                      Message("/phonara/playlist/open").String("/tmp/a.pna").Encode()) &&
        writeDatagram(dir + "/ypr",
                      Message("/adm/lis/ypr").Float(90).Float(10).Float(-5).Encode()) &&
        writeDatagram(dir + "/yaw", Message("/SceneRotator/yaw").Float(-30).Encode()) &&
        writeDatagram(
            dir + "/quaternion",
            Message("/quaternion").Float(0.7071f).Float(0).Float(0).Float(0.7071f).Encode()) &&
        writeDatagram(dir + "/recentre", Message("/phonara/listener/recentre").Encode());
    // A bundle of two messages, timed ahead.
    lo_timetag later{0x80000000u, 0};
    lo_bundle b = lo_bundle_new(later);
    lo_message a = lo_message_new();
    lo_message_add_float(a, 0.25f);
    lo_bundle_add_message(b, "/adm/obj/1/x", a);
    lo_message c = lo_message_new();
    lo_message_add_float(c, 2.f);
    lo_message_add_float(c, -1.f);
    lo_bundle_add_message(b, "/adm/obj/2/xy", c);
    size_t size = 0;
    void* bytes = lo_bundle_serialise(b, nullptr, &size);
    ok = ok && bytes && writeText(dir + "/bundle", std::string(static_cast<char*>(bytes), size));
    std::free(bytes);
    lo_bundle_free_recursive(b);
    return ok;
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
    std::filesystem::create_directories(root + "/remote", ec);
    if (!writeAudio(root + "/audio") || !writePlaylists(root + "/playlist") ||
        !writeRemote(root + "/remote")) {
        std::fprintf(stderr, "%s: could not write the seeds\n", argv[0]);
        return 1;
    }
    return 0;
}
