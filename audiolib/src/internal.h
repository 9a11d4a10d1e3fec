// The library's shared state: the open device, its channels, effects and
// syncs, and the streaming thread that feeds them.
//
// Locking: one order, everywhere:
//
//     Library::lifecycleMx  ->  Library::callbackMx  ->  Channel::dec  ->  Library::mx
//
// `lifecycleMx` makes opening and closing the device one at a time.
// `Library::mx` guards the tables and every OpenAL call. A channel's own `dec`
// guards its decoder and its buffer queue. `callbackMx` is held while sync
// callbacks run (and by whoever must wait for them to finish); no other lock
// is held then, so a callback may call back into the library. A function that
// needs `mx` takes the caller's held lock (`const Held&`) as a parameter, so it
// cannot be called without it; nothing that needs `mx` ever takes `dec`
// (renderLoopback lets `mx` go first). Decoding happens with `dec` alone.
#pragma once

#define AL_ALEXT_PROTOTYPES
#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>
#include <AL/efx.h>

#include "audiolib.h"
#include "decoder.h"
#include "error.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace audiolib {

// ---- Handles ---------------------------------------------------------------
// The top four bits name the kind, the rest count up, so a handle is reused
// only after 2^28 others of its kind.
enum class Kind : DWORD { Stream = 1, Music = 2, Fx = 3, Sync = 4, Plugin = 5, Decoder = 6 };

DWORD newHandle(Kind kind);
inline Kind kindOf(DWORD handle) {
    return static_cast<Kind>(handle >> 28);
}
inline bool isChannelHandle(DWORD h) {
    return h != 0 && (kindOf(h) == Kind::Stream || kindOf(h) == Kind::Music);
}

// The library lock as held by the caller: functions that need `Library::mx`
// take it as a parameter.
using Held = std::unique_lock<std::mutex>;

// ---- The channel handle table ---------------------------------------------------
// A channel handle's low 28 bits are a slot index (low 12 bits) and the
// slot's generation (16 bits). The slot carries the handle that owns it and
// that channel's play state, both atomic: BASS_ChannelIsActive reads them
// without a lock. A slot is reused only after every other free slot (first
// in, first out), so a handle comes back only after 2^28 channels.
constexpr DWORD kSlotBits = 12;
constexpr DWORD kSlotCount = 1u << kSlotBits;

// What a channel feeds, for the lock-free level query: the peaks of its queued
// buffers by their place in the play-out order, and where playback stood when
// the library last looked. One writer (Library::mx held); readers retry while
// it writes (a sequence lock over relaxed atomics), so nobody waits.
constexpr size_t kLevelEntries = 16;
struct LevelMeter {
    struct Entry {
        std::atomic<QWORD> seq{0};    // play-out position of its first frame
        std::atomic<DWORD> frames{0}; // 0: empty
        std::atomic<float> left{0.f}, right{0.f};
    };
    std::atomic<unsigned> version{0}; // odd while written
    Entry entries[kLevelEntries];
    std::atomic<DWORD> next{0};   // the entry written next
    std::atomic<QWORD> cursor{0}; // play-out position at anchorNs
    std::atomic<long long> anchorNs{0};
    std::atomic<float> speed{0.f}; // frames per second after the anchor; 0: none
    std::atomic<int> rate{44100};
    std::atomic<float> gain{1.f}; // the channel's volume, 0..1
};

struct Channel;

struct ChannelSlot {
    std::atomic<DWORD> handle{0}; // the channel that owns it; 0 when free
    std::atomic<int> state{BASS_ACTIVE_STOPPED};
    DWORD generation = 0; // under Library::mx
    LevelMeter meter;
    // The owner as Library::channels holds it, under Library::mx: a handle
    // is looked up by its slot, not searched for in the map.
    std::shared_ptr<Channel> owner;
};

inline DWORD slotIndex(DWORD handle) {
    return handle & (kSlotCount - 1);
}

// A channel's play state, kept in its slot.
class StateRef {
public:
    explicit StateRef(std::atomic<int>& cell) : cell_(cell) {}
    StateRef(const StateRef&) = delete;
    StateRef& operator=(const StateRef&) = delete;
    StateRef& operator=(int v) {
        cell_.store(v);
        return *this;
    }
    operator int() const { return cell_.load(); }
    int load() const { return cell_.load(); }

private:
    std::atomic<int>& cell_;
};

// ---- Channels ----------------------------------------------------------------

// One OpenAL buffer in a channel's queue, with what it holds.
struct QueuedBuffer {
    ALuint name = 0;
    std::vector<float> data; // the samples as uploaded, for re-queuing
    size_t frames = 0;
    QWORD startPos = 0;         // file position (frames) of the first frame
    long endAt = -1;            // frames before the end of the data, or -1 if not inside
    QWORD seq = 0;              // frames the channel queued before this one, ever (play-out order)
    bool last = false;          // nothing follows: the channel ends with this buffer
    float peak[2] = {0.f, 0.f}; // largest magnitude, left and right (mono: both)
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

// The source properties applySourceSpace last handed OpenAL. Every property
// set marks the source for a new mix-parameter pass, so only what changed is
// set: a scene where one channel moves costs one channel's update.
struct AppliedSpace {
    bool valid = false; // nothing set yet: set everything
    float gain = 0.f, pitch = 0.f, rolloff = 0.f;
    ALint directFilter = 0, relative = 0, directChannels = 0;
    BASS_3DVECTOR pos{}, vel{}, dir{};
};

struct Channel {
    explicit Channel(ChannelSlot& s) : slot(s), state(s.state) {}
    ChannelSlot& slot;
    DWORD handle = 0;
    bool music = false;
    std::string path;   // the file as opened, for a decode-only twin
    unsigned epoch = 0; // the device session it was made on (Library::epoch)
    int rate = 0;
    int chans = 1;     // as played (1 or 2)
    int fileChans = 1; // as decoded
    std::atomic<DWORD> flags{0};
    // Written with Library::mx held while alive; read anywhere.
    StateRef state;
    bool alive = true; // false once freed (under dec and Library::mx)

    // Guarded by dec: third in the lock order, after callbackMx, before
    // Library::mx.
    std::mutex dec;
    std::unique_ptr<Decoder> decoder;
    QWORD decodePos = 0; // file position of the next frame the decoder yields
    // The decoder reached the end and the channel does not loop. Written
    // under dec; atomic because the thread reads it under mx alone to plan
    // its next look.
    std::atomic<bool> atEnd{false};
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
    AppliedSpace applied;
    // Sample blocks of buffers that went back to OpenAL, kept for the next
    // decode so that streaming allocates nothing per buffer (under dec).
    std::vector<std::vector<float>> spareData;
    std::vector<QueuedBuffer> batch; // decoded, on its way to the queue (under dec)
    // Offline rendering looks at a channel only when it is due (planLoopbackLook):
    // when, on the render clock, and what that plan took as given. Under mx.
    struct LookPlan {
        bool valid = false;
        QWORD at = 0;     // render clock of the next look
        QWORD from = 0;   // render clock when planned
        QWORD cursor = 0; // play-out position then
        double step = 1;  // the channel's frames per rendered frame
        QWORD queuedTotal = 0;
        size_t buffers = 0;
        DWORD freqAttr = 0;
    } look;
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
    // First in the lock order: BASS_Init and BASS_Free hold it throughout.
    std::mutex lifecycleMx;
    // Last in the lock order (see the top of this file). Guards everything
    // below that is not atomic, and every OpenAL call.
    std::mutex mx;
    ALCdevice* device = nullptr;
    // BASS_Free has begun: the device is as good as closed for new calls.
    bool closing = false;
    // device && !closing, for the lock-free state query.
    std::atomic<bool> opened{false};
    bool open() const { return device && !closing; }
    unsigned epoch = 0; // counts device sessions
    ALCcontext* context = nullptr;
    bool loopback = false;
    int freq = 44100;          // the rate the device runs at
    int requestedFreq = 44100; // the rate it was opened with
    bool efx = false;
    DWORD hrtfMode = AUDIOLIB_HRTF_AUTO;
    int hrtfDataSet = -1; // OpenAL Soft's own choice
    // The loopback device's output: interleaved channels per frame, and
    // OpenAL Soft's name for that layout (ALC_STEREO_SOFT, ALC_QUAD_SOFT, ...).
    int outChannels = 2;
    int outLayout = 0;
    // OpenAL Soft's output limiter: on, except for a loopback device whose
    // caller limits the mix itself (the limiter's look-ahead delays the render).
    bool outputLimiter = true;
    // Loopback frames rendered ahead (a fade before a device reset), handed
    // out first by the next AUDIOLIB_Render.
    std::vector<float> renderedAhead;
    // A device reset faded the mix out: the next block fades it back in.
    bool fadingIn = false;
    QWORD renderedFrames = 0; // the loopback device's clock
    int sends = 0;

    std::map<DWORD, std::shared_ptr<Channel>> channels;
    // Never shrinks or moves: a slot outlives any channel that used it.
    ChannelSlot slots[kSlotCount];
    // Recycled indices, oldest first: a ring that never allocates.
    DWORD freeRing[kSlotCount] = {};
    DWORD freeHead = 0, freeCount = 0;
    DWORD freshSlots = 0; // indices never used yet start here
    std::map<DWORD, Sync> syncs;
    std::map<DWORD, DWORD> fx; // effect handle -> channel handle

    float distFactor = 1.f, rollFactor = 1.f, dopplerFactor = 1.f;
    // Whether channels are heard directly (AUDIOLIB_SetDirectPath); when not,
    // every source's direct path goes through mutedDirect, a filter of gain 0.
    bool directPath = true;
    ALuint mutedDirect = 0;
    // The listener's orientation in the program's axes, handed to OpenAL at
    // the next BASS_Apply3D.
    BASS_3DVECTOR listenerFront{0, 0, 1}, listenerTop{0, 1, 0};
    // The orientation OpenAL has: a listener change recalculates every
    // source, so an unchanged one is not handed over again.
    bool listenerApplied = false;
    BASS_3DVECTOR appliedFront{}, appliedTop{};

    // Channel reverbs, one slot per shape; only slots something feeds exist.
    std::map<ReverbKey, ReverbSlot> reverbSlots;
    bool slotPerChannel = false; // tests only: the unshared way, to compare

    // Whether the effect slots hold their effects, i.e. do work. OpenAL Soft
    // runs a slot with an effect on every mix, fed or not: the reverb slots
    // work only while a channel plays, the room only while a playing channel
    // sends to it. When that ends they ring out first, then rest.
    bool reverbsWorking = false, roomWorking = false;
    bool wantedReverbs = false, wantedRoom = false; // as last asked
    bool restPending = false;                       // ringing out, to rest at:
    std::chrono::steady_clock::time_point restAt;   // (output device)
    long restFrames = 0;                            // (loopback: frames to render)

    // Room environment.
    ALuint roomSlot = 0, roomEffect = 0;
    bool roomActive = false; // the effect is in the slot (volume above 0, working)
    bool roomEax = true;     // EAX reverb (else the standard reverb)
    int env = EAX_ENVIRONMENT_GENERIC;
    float envVol = 0.f, envDecay = 1.49f, envDamp = 0.83f;

    // The library thread: streams (output device only) and delivers syncs.
    // It sleeps while nothing plays; a new task kicks it awake.
    std::thread thread;
    // Set before the thread runs (it starts by taking mx, which startThread
    // holds); read without a lock to tell callers on the thread apart.
    std::atomic<std::thread::id> threadId;
    std::condition_variable wake;
    bool quit = false;
    bool kick = false;
    long looks = 0;        // times it looked at the channels (tests count them)
    bool waiting = false;  // asleep with nothing to feed or deliver
    long syncsQueued = 0;  // end syncs found due, ever (tests count them)
    long syncsHandled = 0; // of those, run or dropped (freed meanwhile)
    std::deque<PendingSync> pending;
    // Second in the lock order: held while sync callbacks run.
    std::mutex callbackMx;
};

// The instance the calling thread is bound to: the library's own, or a
// render lane's (AUDIOLIB_LaneBind).
Library& lib();
// Binds the calling thread to an instance (null: the library's own).
void bindThread(Library* instance);
// Whether the calling thread works on a render lane, whose OpenAL context is
// current on its own threads only (ALC_EXT_thread_local_context).
bool onLane();

// Frames per OpenAL buffer and buffers per channel: about 20 ms each, 160 ms
// queued ahead.
constexpr int kBufferCount = 8;
inline size_t bufferFrames(int rate) {
    return static_cast<size_t>(rate / 50);
}

// Looks a channel up.
std::shared_ptr<Channel> findChannel(DWORD handle, const Held&);
// A channel into Library::channels and its slot, and out of both.
void enterChannel(const std::shared_ptr<Channel>& ch, const Held&);
void removeChannel(DWORD handle, const Held&);
// A handle and slot for a new channel; 0 when every slot is taken.
DWORD claimChannelHandle(Kind kind, const Held&);
// The handle no longer names the channel (state queries fail at once)...
void unpublishChannel(Channel& ch, const Held&);
// ...and once the channel is dead, its slot may be used again.
void recycleSlot(Channel& ch, const Held&);
void recycleSlotIndex(DWORD index, const Held&);

// ---- Streaming (stream_thread.cpp) ------------------------------------------
// Unqueues what has been played, fires end syncs, detects the end and restarts
// a starved source. ch.dec held too.
void reapChannel(Channel& ch, const Held&);
// Decodes and queues buffers until the queue is full. Call with ch.dec held and
// lib().mx NOT held: it decodes outside mx and takes mx only to queue.
void topUpChannel(Channel& ch);
// As topUpChannel with mx held (offline rendering only: the loopback device
// is rendered by the caller, who waits for it anyway).
void topUpChannelLocked(Channel& ch, const Held&);
// Drops every queued buffer (source stopped). ch.dec held too.
void flushChannel(Channel& ch, const Held&);
// Where playback stands in the channel's play-out order.
QWORD playCursor(Channel& ch, const Held&);
// Cuts the queue right after the next end of the data, for a loop flag that was
// cleared while buffers past the loop point were already queued. ch.dec held.
void cutQueueAtEnd(Channel& ch, const Held&);
// Offline rendering: plans the channel's next look (just after one) on the
// render clock, for when a quarter of its queue is left or a buffer
// carrying an end has played. Every block must be a look while the plan cannot
// hold: near the end of the data, or with a velocity (Doppler changes the
// rate). The render calls between looks are at most maxBlock frames.
void planLoopbackLook(Channel& ch, DWORD maxBlock, const Held&);
// Whether the channel must be looked at before the next rendered frame.
bool loopbackLookDue(const Channel& ch, const Held&);
// The levels' play position between looks, from the plan (no OpenAL call).
void meterPlannedCursor(Channel& ch, const Held&);
// Wakes the thread for a channel that started or must go on decoding.
void kickThread(const Held&);
// Starts the thread, named and with its id published before it runs. May
// throw (no thread could be made).
void startThread();
void stopThread(); // mx NOT held
// Delivers pending syncs now (used by the thread).
void deliverSyncs();

// Reads up to frames frames of a decoder as a channel of chans (1 or 2)
// plays them: bounded, more than two channels folded down to stereo. Returns 0
// at the end of the data. peaks, when given, are raised to the largest
// magnitude read per side (taken in the same pass).
size_t readPlayedFrames(Decoder& decoder, int fileChans, int chans, std::vector<float>& scratch,
                        float* out, size_t frames, float* peaks = nullptr);

// ---- Levels (levels.cpp) ------------------------------------------------------
// A new channel in the slot: no peaks, full gain.
void resetMeter(LevelMeter& m, int rate);
// A buffer was queued at b.seq.
void meterQueued(Channel& ch, const QueuedBuffer& b, const Held&);
// The queue was dropped: its peaks will not be heard.
void meterFlushed(Channel& ch, const Held&);
// Where playback stands now (after a reap, or when the source starts), or
// at a cursor the caller knows.
void meterCursor(Channel& ch, const Held&);
void meterCursorAt(Channel& ch, QWORD cursor, const Held&);

// ---- Channels (channel.cpp) --------------------------------------------------
void applySourceSpace(Channel& ch, const Held&); // 3D or pan placement
void applyGainPitch(Channel& ch, const Held&);   // the volume and rate alone
void destroyChannelAl(Channel& ch, const Held&); // ch.dec held too

// ---- Effects (effects.cpp) ---------------------------------------------------
bool createRoom(const Held&); // context current
void destroyRoom(const Held&);
void attachSends(Channel& ch, const Held&);
void destroyChannelFx(Channel& ch, const Held&);
// Routes the channel's reverb send to the slot of its shape, or nowhere when
// silent. False when no slot could be had.
bool routeReverb(Channel& ch, const Held&);
// Puts the effect slots to work as soon as a channel plays (and the room as
// soon as a playing channel sends to it); when that ends, lets them ring out
// for their decay time and then rests them: paused or stopped channels cost
// nothing. Call after any change of a play state, a room send or the table.
void updateEffectActivity(const Held&);
// The ring-out time has passed (called by whoever keeps the time).
void restEffects(const Held&);
// Seconds until the ring-out ends, for the thread's sleep; none when no rest
// is pending (output device).
std::optional<std::chrono::steady_clock::duration> untilRest(const Held&);

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
    // Effect slots set up to run: one per reverb shape some send feeds, and the
    // room while its volume is above 0.
    int processingSlots;
    // Times the library thread has looked at the channels since the device opened.
    long threadLooks;
    // End syncs found due since the device opened, and of those the ones run
    // (or dropped, their channel freed): equal when none is on its way.
    long syncsQueued, syncsHandled;
    // The thread sleeps with nothing to feed: no callback comes without a new task.
    int threadWaiting;
    // Of the slots set up to run, those with their effect in them now: the
    // ones the mixer runs. None once nothing has played for the ring-out.
    int workingSlots;
};
AUDIOLIB_API BOOL AUDIOLIB_TestGetCounts(AUDIOLIB_TestCounts* out);

} // extern "C"
