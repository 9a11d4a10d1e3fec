// The library's shared state: the open device, its channels, effects and
// syncs, and the streaming thread that feeds them.
//
// Locking: `Library::mx` guards the tables and every OpenAL call. A channel's
// own `dec` mutex guards its decoder and its buffer queue; when both are
// needed, `dec` is taken first. Sync callbacks run holding only
// `Library::callbackMx`, so a callback may call back into the library.
#pragma once

#define AL_ALEXT_PROTOTYPES
#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>
#include <AL/efx.h>

#include "audiolib.h"
#include "decoder.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace audiolib {

// ---- Handles ---------------------------------------------------------------
// The top four bits name the kind, the rest count up, so a handle is reused
// only after 2^28 others of its kind.
enum class Kind : DWORD { Stream = 1, Music = 2, Fx = 3, Sync = 4, Plugin = 5 };

DWORD newHandle(Kind kind);
inline Kind kindOf(DWORD handle) {
    return static_cast<Kind>(handle >> 28);
}
inline bool isChannelHandle(DWORD h) {
    return h != 0 && (kindOf(h) == Kind::Stream || kindOf(h) == Kind::Music);
}

// ---- Channels ----------------------------------------------------------------

// One OpenAL buffer in a channel's queue, with what it holds.
struct QueuedBuffer {
    ALuint name = 0;
    std::vector<float> data; // the samples as uploaded, for re-queuing
    size_t frames = 0;
    QWORD startPos = 0; // file position (frames) of the first frame
    long endAt = -1;    // frames before the end of the data, or -1 if not inside
    QWORD seq = 0;      // frames the channel queued before this one, ever (play-out order)
    bool last = false;  // nothing follows: the channel ends with this buffer
};

// Which effect slot a channel's reverb feeds. A reverb is linear, so the sum of
// identical reverbs of several inputs is that reverb of their sum: channels
// whose reverbs have the same shape (what OpenAL's reverb effect receives)
// share one slot, and each channel's own level is the gain of its send.
struct ReverbKey {
    DWORD owner = 0; // 0: shared; else the one channel (slot-per-channel mode)
    float decay = 0.f;
    float hfRatio = 0.f;
    auto operator<=>(const ReverbKey&) const = default;
};

struct ReverbSlot {
    ALuint slot = 0, effect = 0;
    int sends = 0; // channel sends that feed it; freed at 0
};

struct Channel {
    DWORD handle = 0;
    bool music = false;
    int rate = 0;
    int chans = 1;     // as played (1 or 2)
    int fileChans = 1; // as decoded
    std::atomic<DWORD> flags{0};
    std::atomic<int> state{BASS_ACTIVE_STOPPED};
    bool alive = true; // false once freed (under Library::mx)

    // Guarded by dec.
    std::mutex dec;
    std::unique_ptr<Decoder> decoder;
    QWORD decodePos = 0;        // file position of the next frame the decoder yields
    bool atEnd = false;         // the decoder reached the end and the channel does not loop
    bool ended = false;         // played to its end and stopped there
    bool endUnreported = false; // an end no queued buffer carries: sync still due
    QWORD unreportedEndAt = 0;  // where in the play-out order that end lies
    std::vector<float> scratch;

    // Guarded by Library::mx (and dec for the queue).
    ALuint source = 0;
    std::vector<ALuint> freeBuffers;
    std::deque<QueuedBuffer> queue;
    QWORD queuedTotal = 0; // frames ever queued: the play-out order's clock
    ALuint roomFilter = 0; // send 0: the room environment
    ALuint fxFilter = 0;   // send 1: the channel's own reverb, its level as gain
    DWORD fxHandle = 0;
    BASS_REVERB_PARAMS fxParams{};
    bool fxSent = false; // send 1 feeds the slot of fxKey
    ReverbKey fxKey;
    float eaxMix = -1.f;
    DWORD volume = 100;
    int pan = 0;
    DWORD freqAttr = 0; // 0 = the file's own rate
    BASS_3DVECTOR pos{0, 0, 0}, orient{0, 0, 0}, vel{0, 0, 0};
};

struct Sync {
    DWORD channel;
    DWORD type;
    SYNCPROC* proc;
    void* user;
    QWORD armedAt = 0; // play-out position when set: earlier ends are not its own
};

struct PendingSync {
    DWORD sync;
    DWORD channel;
};

struct Library {
    std::mutex mx;
    ALCdevice* device = nullptr;
    ALCcontext* context = nullptr;
    bool loopback = false;
    int freq = 44100;          // the rate the device runs at
    int requestedFreq = 44100; // the rate it was opened with
    bool efx = false;
    DWORD hrtfMode = AUDIOLIB_HRTF_AUTO;
    int hrtfDataSet = -1; // OpenAL Soft's own choice
    // Loopback frames rendered ahead (a fade before a device reset), handed
    // out first by the next AUDIOLIB_Render.
    std::vector<float> renderedAhead;
    int sends = 0;

    std::map<DWORD, std::shared_ptr<Channel>> channels;
    std::map<DWORD, Sync> syncs;
    std::map<DWORD, DWORD> fx; // effect handle -> channel handle

    float distFactor = 1.f, rollFactor = 1.f, dopplerFactor = 1.f;
    // The listener's orientation in the program's axes, handed to OpenAL at
    // the next BASS_Apply3D.
    BASS_3DVECTOR listenerFront{0, 0, 1}, listenerTop{0, 1, 0};

    // Channel reverbs, one slot per shape; only slots something feeds exist.
    std::map<ReverbKey, ReverbSlot> reverbSlots;
    bool slotPerChannel = false; // tests only: the unshared way, to compare

    // Room environment.
    ALuint roomSlot = 0, roomEffect = 0;
    bool roomActive = false; // the effect is in the slot (volume above 0)
    bool roomEax = true;     // EAX reverb (else the standard reverb)
    int env = EAX_ENVIRONMENT_GENERIC;
    float envVol = 0.f, envDecay = 1.49f, envDamp = 0.83f;

    // The library thread: streams (output device only) and delivers syncs.
    // It sleeps while nothing plays; a new task kicks it awake.
    std::thread thread;
    std::thread::id threadId;
    std::condition_variable wake;
    bool quit = false;
    bool kick = false;
    long looks = 0; // times it looked at the channels (tests count them)
    std::deque<PendingSync> pending;
    std::mutex callbackMx;
};

Library& lib();

// Frames per OpenAL buffer and buffers per channel: about 20 ms each, 160 ms
// queued ahead.
constexpr int kBufferCount = 8;
inline size_t bufferFrames(int rate) {
    return static_cast<size_t>(rate / 50);
}

// Looks a channel up. Call with lib().mx held.
std::shared_ptr<Channel> findChannel(DWORD handle);

// ---- Streaming (stream_thread.cpp) ------------------------------------------
// Unqueues what has been played, fires end syncs, detects the end and restarts
// a starved source. Call with ch.dec and lib().mx held.
void reapChannel(Channel& ch);
// Decodes and queues buffers until the queue is full. Call with ch.dec held and
// lib().mx NOT held (decoding happens outside it).
void topUpChannel(Channel& ch);
// As topUpChannel, with lib().mx already held (offline rendering, first play).
void topUpChannelLocked(Channel& ch);
// Drops every queued buffer (source stopped). Call with ch.dec and mx held.
void flushChannel(Channel& ch);
// Where playback stands in the channel's play-out order. mx held.
QWORD playCursor(Channel& ch);
// Cuts the queue right after the next end of the data, for a loop flag that was
// cleared while buffers past the loop point were already queued.
void cutQueueAtEnd(Channel& ch);
// Wakes the thread for a channel that started or must go on decoding. mx held.
void kickThread();
void startThread();
void stopThread();
// Delivers pending syncs now (used by the thread).
void deliverSyncs();

// ---- Channels (channel.cpp) --------------------------------------------------
void applySourceSpace(Channel& ch); // 3D or pan placement; mx held
void destroyChannelAl(Channel& ch); // mx held

// ---- Effects (effects.cpp) ---------------------------------------------------
bool createRoom();                  // mx held, context current
void destroyRoom();                 // mx held
void attachSends(Channel& ch);      // mx held
void destroyChannelFx(Channel& ch); // mx held
// Routes the channel's reverb send to the slot of its shape, or nowhere when
// silent. False when no slot could be had. mx held.
bool routeReverb(Channel& ch);

// ---- Decoders ------------------------------------------------------------------
// Opens a sound file with the built-in decoders, then the plug-ins. mono asks
// MPEG audio to be downmixed. Null with the error code set on failure.
std::unique_ptr<Decoder> openStreamDecoder(const std::string& path, bool mono);
std::unique_ptr<Decoder> openSndfile(const std::string& path, int& error);
std::unique_ptr<Decoder> openMpeg(const std::string& path, bool mono, int& error);
std::unique_ptr<Decoder> openModule(const std::string& path, int rate, bool mono, bool ramp,
                                    int& error);
// Checks that path names a readable regular file; sets the error code if not.
bool checkFile(const std::string& path);

} // namespace audiolib

// ---- For the library's own tests (exported, not in the public header) ------
extern "C" {

// Gives every channel's reverb a slot of its own, as unshared reverbs would
// run, to compare the output with the shared slots. Reroutes every channel.
AUDIOLIB_API void AUDIOLIB_TestSlotPerChannel(BOOL on);

struct AUDIOLIB_TestCounts {
    // OpenAL objects alive on the open device, as OpenAL reports them.
    int sources, buffers, effects, filters, slots;
    // Effect slots with an effect in them: the ones the mixer runs.
    int processingSlots;
    // Times the library thread has looked at the channels since the device opened.
    long threadLooks;
};
AUDIOLIB_API BOOL AUDIOLIB_TestGetCounts(AUDIOLIB_TestCounts* out);

} // extern "C"
