// Arbitrary bytes as a sound file, through the audio library's public
// interface the way the program opens a file: as a music module, then as a mono
// 3D stream, then as a plain stream. Whatever opens is played for a moment on
// the loopback device, rewound, played again and freed. Besides the
// sanitizers' findings, a non-finite or unbounded sample in the mix is a fault.
#include "audiolib.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

class Session {
public:
    Session() {
        char dir[] = "/tmp/phonara-fuzz-XXXXXX";
        if (!mkdtemp(dir) || !AUDIOLIB_InitLoopback(44100, false)) {
            std::fprintf(stderr, "fuzz_audio: no temporary folder or loopback device\n");
            std::abort();
        }
        dir_ = dir;
        path_ = dir_ + "/input";
#ifdef FUZZ_PLUGIN
        if (!BASS_PluginLoad(FUZZ_PLUGIN, 0))
            std::fprintf(stderr, "fuzz_audio: plug-in %s not loaded\n", FUZZ_PLUGIN);
#endif
    }
    ~Session() {
        BASS_Free();
        std::remove(path_.c_str());
        rmdir(dir_.c_str());
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    const char* write(const uint8_t* data, size_t size) {
        std::FILE* f = std::fopen(path_.c_str(), "wb");
        if (!f)
            std::abort();
        if (size && std::fwrite(data, 1, size, f) != size)
            std::abort();
        std::fclose(f);
        return path_.c_str();
    }

private:
    std::string dir_, path_;
};

void render(DWORD frames) {
    static float out[2 * 2048];
    while (frames > 0) {
        const DWORD n = frames < 2048 ? frames : 2048;
        if (!AUDIOLIB_Render(out, n))
            std::abort();
        for (DWORD i = 0; i < 2 * n; ++i)
            if (!std::isfinite(out[i]) || std::fabs(out[i]) > 1000.f)
                __builtin_trap();
        frames -= n;
    }
}

void play(DWORD channel) {
    BASS_ChannelPlay(channel, 0);
    render(4096);
    BASS_ChannelSetPosition(channel, 0);
    BASS_ChannelPlay(channel, 0);
    render(1024);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Session session;
    const char* path = session.write(data, size);
    if (const HMUSIC music = BASS_MusicLoad(0, path, 0, 0, 0x20C, 0)) {
        play(music);
        BASS_MusicFree(music);
    }
    HSTREAM stream = BASS_StreamCreateFile(0, path, 0, 0, 0xE);
    if (!stream)
        stream = BASS_StreamCreateFile(0, path, 0, 0, 4);
    if (stream) {
        play(stream);
        BASS_StreamFree(stream);
    }
    return 0;
}
