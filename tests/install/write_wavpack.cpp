// Writes a short mono WavPack tone to the path given, for the install checks,
// which start the installed program on it.
#include <cstdio>

#include "SoundFiles.h"
#include "WavPackFiles.h"

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s file.wv\n", argv[0]);
        return 2;
    }
    const testsupport::ToneSpec tone{.channels = 1, .rate = 44100, .seconds = 0.3};
    const std::string error = testsupport::writeWavPack(argv[1], testsupport::toneSamples(tone),
                                                        tone.channels, tone.rate);
    if (!error.empty()) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    return 0;
}
