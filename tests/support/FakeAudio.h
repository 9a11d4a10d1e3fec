// A recording double of the audio library's C interface, linked in its place
// by the test_fake executable: every call is recorded with its arguments, and
// the tests set up devices, files and results the machine cannot provide.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "audiolib.h"

namespace fake {

struct Call {
    std::string name;
    std::vector<double> args; // numeric arguments in order (pointers as 0/1: null or not)
    std::string text;         // a path argument, if any
};

struct Device {
    std::string name;
    bool opens = true;
    bool eax = false;
};

enum class FileKind { Module, Mono, Stereo, Broken };

struct Channel {
    bool music = false;
    DWORD chans = 1;
    DWORD flags = 0;
    DWORD state = BASS_ACTIVE_STOPPED;
    QWORD position = 0;
    int volume = 100;
    int pan = 0;
    DWORD level = 0; // what AUDIOLIB_ChannelGetLevel reports while it plays
    BASS_3DVECTOR pos{0, 0, 0};
    BASS_3DVECTOR heard{0, 0, 0}; // pos as of the last BASS_Apply3D
    struct Sync {
        SYNCPROC* proc;
        void* user;
        DWORD type;
    };
    std::vector<Sync> syncs;
};

struct Plugin {
    std::vector<BASS_PLUGINFORM> formats;
    BASS_PLUGININFO info{};
};

struct State {
    DWORD version = AUDIOLIB_VERSION;
    std::vector<Device> devices{{"Fake Output", true, false}};
    int openDevice = 0; // 0: none
    std::map<std::string, FileKind> files;
    std::map<std::string, Plugin> plugins; // by path
    std::vector<Call> calls;
    std::map<DWORD, Channel> channels;
    int error = 0;
    DWORD nextHandle = 0x100;
    // Headphone 3D on the open device.
    std::vector<std::string> hrtfDataSets{"Built-In 44100hz"};
    DWORD hrtfMode = AUDIOLIB_HRTF_AUTO;
    int hrtfDataSet = -1;
    bool headphones = false;     // the output reports headphones
    bool hrtfSupported = true;   // false: on is taken but stays off (unsupported format)
    bool hrtfResetFails = false; // the device refuses to reset
    // The listener's orientation as last set, in the program's axes.
    BASS_3DVECTOR listenerFront{0, 0, 1};
    BASS_3DVECTOR listenerTop{0, 1, 0};
};

State& state();
void reset();

// The recorded calls of one function, in order.
std::vector<Call> calls(const std::string& name);
void clearCalls();

// A channel as the double holds it; fails the test when there is none.
Channel& channel(DWORD handle);

// The channel reaches its end: a looping one goes on, another stops. Its end
// syncs run (one-shot ones are removed) on the calling thread.
void reachEnd(DWORD handle);

} // namespace fake
