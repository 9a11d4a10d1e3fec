/*
 * audiolib: PhonaraPlayer's audio library.
 *
 * A small C interface over OpenAL Soft and the decoders (libsndfile, libmpg123,
 * libopenmpt). The program reaches audio only through the functions declared
 * here. Calls may come from any thread, BASS_Free and BASS_Init included: no
 * two calls can deadlock, and none lets a C++ exception out (out of memory fails with
 * BASS_ERROR_MEMORY, anything unforeseen with BASS_ERROR_UNKNOWN). Every failing call sets a
 * thread-local error code that BASS_ErrorGetCode returns.
 *
 * Ownership: the caller frees nothing the library returns. Strings and
 * records handed out (device descriptions, HRTF names, plug-in information)
 * belong to the library and stay valid until the process ends. Handles are
 * freed with their own calls (BASS_StreamFree, BASS_MusicFree) or all at once
 * by BASS_Free; after BASS_Free, calls on old handles fail with
 * BASS_ERROR_INIT, and once a device is open again with BASS_ERROR_HANDLE.
 *
 * Space is left-handed: +X right, +Y up, +Z in front of the listener.
 * Paths are UTF-8.
 */
#ifndef AUDIOLIB_H
#define AUDIOLIB_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32)
#define AUDIOLIB_API __declspec(dllexport)
#else
#define AUDIOLIB_API __attribute__((visibility("default")))
#endif

typedef uint32_t DWORD;
typedef uint64_t QWORD;
typedef int BOOL;

typedef DWORD HSTREAM; /* a stream opened from a file */
typedef DWORD HMUSIC;  /* a music module */
typedef DWORD HFX;     /* an effect placed on a channel */
typedef DWORD HSYNC;   /* a registered sync */
typedef DWORD HPLUGIN; /* a loaded plug-in */

/* Version reported by BASS_GetVersion: major in bits 24..31, minor in 16..23. */
#define AUDIOLIB_VERSION 0x02030000u

/* ---- Error codes (BASS_ErrorGetCode) ------------------------------------ */
#define BASS_OK 0
#define BASS_ERROR_INIT 1      /* no device is open (BASS_Init not called) */
#define BASS_ERROR_DEVICE 2    /* no such device number */
#define BASS_ERROR_DRIVER 3    /* the device exists but could not be opened */
#define BASS_ERROR_ALREADY 4   /* a device is open already */
#define BASS_ERROR_HANDLE 5    /* bad handle: 0, freed, or of the wrong kind */
#define BASS_ERROR_FILEOPEN 6  /* the file could not be opened or read */
#define BASS_ERROR_FORMAT 7    /* no decoder recognised the file */
#define BASS_ERROR_NO3D 8      /* a 3D channel needs exactly one audio channel */
#define BASS_ERROR_NOEAX 9     /* the device offers no room environment */
#define BASS_ERROR_ILLPARAM 10 /* an invalid parameter (null pointer, bad value) */
#define BASS_ERROR_MEMORY 11   /* out of memory or OpenAL resources */
#define BASS_ERROR_NOTAVAIL 12 /* not available (no such effect type, ...) */
#define BASS_ERROR_PLUGIN 13   /* the file is not one of our plug-ins */
#define BASS_ERROR_POSITION 14 /* the position cannot be reached */
#define BASS_ERROR_UNKNOWN -1

/* ---- Flags ---------------------------------------------------------------- */
#define BASS_DEVICE_3D 4          /* BASS_Init: enable 3D */
#define BASS_SAMPLE_MONO 2        /* decode to one channel (MPEG audio is downmixed) */
#define BASS_SAMPLE_LOOP 4        /* loop at the end */
#define BASS_SAMPLE_3D 8          /* a positioned source: needs one audio channel */
#define BASS_MUSIC_RAMP 0x200     /* music: volume ramping */
#define BASS_STREAM_MUSIC 0x10000 /* BASS_CHANNELINFO.flags: the channel is a module */

/* ---- Channel states (BASS_ChannelIsActive) ------------------------------- */
#define BASS_ACTIVE_STOPPED 0
#define BASS_ACTIVE_PLAYING 1
#define BASS_ACTIVE_STALLED 2
#define BASS_ACTIVE_PAUSED 3

/* ---- Effects ------------------------------------------------------------- */
#define BASS_FX_REVERB 8 /* per-channel reverb, parameters in BASS_REVERB_PARAMS */

/* ---- Syncs --------------------------------------------------------------- */
#define BASS_SYNC_END 2               /* the channel reached its end */
#define BASS_SYNC_ONETIME 0x80000000u /* remove the sync after it ran once */

/* ---- Room environments (BASS_SetEAXParameters), 0 .. 25 ----------------- */
enum {
    EAX_ENVIRONMENT_GENERIC,
    EAX_ENVIRONMENT_PADDEDCELL,
    EAX_ENVIRONMENT_ROOM,
    EAX_ENVIRONMENT_BATHROOM,
    EAX_ENVIRONMENT_LIVINGROOM,
    EAX_ENVIRONMENT_STONEROOM,
    EAX_ENVIRONMENT_AUDITORIUM,
    EAX_ENVIRONMENT_CONCERTHALL,
    EAX_ENVIRONMENT_CAVE,
    EAX_ENVIRONMENT_ARENA,
    EAX_ENVIRONMENT_HANGAR,
    EAX_ENVIRONMENT_CARPETEDHALLWAY,
    EAX_ENVIRONMENT_HALLWAY,
    EAX_ENVIRONMENT_STONECORRIDOR,
    EAX_ENVIRONMENT_ALLEY,
    EAX_ENVIRONMENT_FOREST,
    EAX_ENVIRONMENT_CITY,
    EAX_ENVIRONMENT_MOUNTAINS,
    EAX_ENVIRONMENT_QUARRY,
    EAX_ENVIRONMENT_PLAIN,
    EAX_ENVIRONMENT_PARKINGLOT,
    EAX_ENVIRONMENT_SEWERPIPE,
    EAX_ENVIRONMENT_UNDERWATER,
    EAX_ENVIRONMENT_DRUGGED,
    EAX_ENVIRONMENT_DIZZY,
    EAX_ENVIRONMENT_PSYCHOTIC,
    EAX_ENVIRONMENT_COUNT
};

/* ---- Records ------------------------------------------------------------- */

/* A 3D vector, laid out as three floats. */
typedef struct BASS_3DVECTOR {
    float x, y, z;
} BASS_3DVECTOR;

/* Channel information (BASS_ChannelGetInfo). */
typedef struct BASS_CHANNELINFO {
    DWORD freq;  /* sample rate in Hz */
    DWORD chans; /* audio channels as played: 1 for a 3D source */
    DWORD flags; /* BASS_SAMPLE_*, BASS_MUSIC_RAMP, BASS_STREAM_MUSIC */
    DWORD ctype; /* 1 = stream, 2 = music module */
} BASS_CHANNELINFO;

/* Parameters of the per-channel reverb (BASS_FX_REVERB). */
typedef struct BASS_REVERB_PARAMS {
    float inGain;          /* input gain, dB (-96 .. 0) */
    float reverbMix;       /* reverb mix, dB (-96 .. 0) */
    float reverbTime;      /* reverb time, ms (0.001 .. 3000) */
    float highFreqRTRatio; /* high-frequency reverb-time ratio (0.001 .. 0.999) */
} BASS_REVERB_PARAMS;

/* One file format of a plug-in. */
typedef struct BASS_PLUGINFORM {
    const char* name; /* e.g. "WavPack" */
    const char* exts; /* extension list, e.g. "*.wv" or "*.a;*.b" */
} BASS_PLUGINFORM;

typedef struct BASS_PLUGININFO {
    DWORD version;                  /* the plug-in's own version */
    DWORD formatc;                  /* number of formats */
    const BASS_PLUGINFORM* formats; /* formatc entries */
} BASS_PLUGININFO;

/* End-of-channel callback: runs on the library's own thread (also with the
 * loopback device), never while the library holds a lock, so it may call the
 * library. Once BASS_StreamFree/BASS_MusicFree returns, the channel's callbacks
 * never run again. */
typedef void SYNCPROC(HSYNC handle, DWORD channel, DWORD data, void* user);

/* ---- Library and device --------------------------------------------------- */
AUDIOLIB_API DWORD BASS_GetVersion(void);
/* Description of output device n (from 1); null past the last device. The
 * string is the library's and stays valid until the process ends. */
AUDIOLIB_API const char* BASS_GetDeviceDescription(DWORD device);
/* device 1..n, or -1 for the system's default; freq 0 means 44100. flags and
 * win are not used: every device is opened for 3D. */
AUDIOLIB_API BOOL BASS_Init(int device, DWORD freq, DWORD flags, void* win, const void* reserved);
/* Halts output: every playing channel is paused (BASS_ACTIVE_PAUSED). */
AUDIOLIB_API BOOL BASS_Stop(void);
/* Closes the device with every channel, effect and sync on it. Calls running
 * on other threads meanwhile finish or fail with BASS_ERROR_INIT; a sync
 * callback that is running is waited for. Fails with BASS_ERROR_ILLPARAM
 * when called from a sync callback (the callback's thread is stopped by it). */
AUDIOLIB_API BOOL BASS_Free(void);
AUDIOLIB_API int BASS_ErrorGetCode(void);
/* distf: metres per unit (> 0); rollf: roll-off factor; doppf: Doppler factor.
 * A negative value (or distf 0) leaves that factor unchanged. The distance
 * factor applies to positions at the next BASS_Apply3D. */
AUDIOLIB_API BOOL BASS_Set3DFactors(float distf, float rollf, float doppf);
AUDIOLIB_API void BASS_Apply3D(void);
/* Room environment: env 0..25 or -1 = unchanged; vol 0..1; decay in s; damp 0..2
 * (the decay's high-frequency ratio); a negative float leaves that value
 * unchanged. A new environment brings its own decay and damping unless they
 * are given. Until set, the room is silent (volume 0). Fails with
 * BASS_ERROR_NOEAX when the device has no EFX. */
AUDIOLIB_API BOOL BASS_SetEAXParameters(int env, float vol, float decay, float damp);
AUDIOLIB_API BOOL BASS_GetEAXParameters(DWORD* env, float* vol, float* decay, float* damp);

/* ---- Plug-ins ------------------------------------------------------------- */
AUDIOLIB_API HPLUGIN BASS_PluginLoad(const char* file, DWORD flags);
/* The record is the plug-in's own; a plug-in stays loaded until the process
 * ends, so the record stays valid that long. */
AUDIOLIB_API const BASS_PLUGININFO* BASS_PluginGetInfo(HPLUGIN handle);

/* ---- Streams and modules ------------------------------------------------- */
/* mem must be false: file is a UTF-8 path. offset and length must be 0 (the
 * whole file); anything else fails with BASS_ERROR_NOTAVAIL. The format is
 * decided by the content, not the file name. */
AUDIOLIB_API HSTREAM BASS_StreamCreateFile(BOOL mem, const void* file, QWORD offset, QWORD length,
                                           DWORD flags);
AUDIOLIB_API BOOL BASS_StreamFree(HSTREAM handle);
/* As BASS_StreamCreateFile; freq is not used: modules render at the device's
 * rate. */
AUDIOLIB_API HMUSIC BASS_MusicLoad(BOOL mem, const void* file, QWORD offset, DWORD length,
                                   DWORD flags, DWORD freq);
AUDIOLIB_API BOOL BASS_MusicFree(HMUSIC handle);

/* ---- Channels (a stream or a module) ------------------------------------- */
/* restart false: resumes a paused or stopped channel from its position; a
 * channel that played to its end starts again from the beginning. */
AUDIOLIB_API BOOL BASS_ChannelPlay(DWORD handle, BOOL restart);
/* Stops the channel where it is (BASS_ACTIVE_STOPPED); the position is kept. */
AUDIOLIB_API BOOL BASS_ChannelStop(DWORD handle);
AUDIOLIB_API BOOL BASS_ChannelPause(DWORD handle);
/* Answers from an atomic state without taking a lock: cheap enough to call for
 * every channel at every repaint. */
AUDIOLIB_API DWORD BASS_ChannelIsActive(DWORD handle);
AUDIOLIB_API BOOL BASS_ChannelGetInfo(DWORD handle, BASS_CHANNELINFO* info);
/* Sets the channel's flags; only BASS_SAMPLE_LOOP may change. */
AUDIOLIB_API BOOL BASS_ChannelSetFlags(DWORD handle, DWORD flags);
/* Position in bytes of 16-bit output frames (frames * chans * 2); 0 = start. */
AUDIOLIB_API BOOL BASS_ChannelSetPosition(DWORD handle, QWORD pos);
AUDIOLIB_API QWORD BASS_ChannelGetPosition(DWORD handle);
/* freq in Hz (-1 = unchanged, 0 = original); volume 0..100 (-1 = unchanged);
 * pan -100..100 (-101 = unchanged), for unpositioned channels: a balance for
 * stereo (heard once the audio queued ahead has played, within about 0.2 s),
 * a direction for mono. Out-of-range values are clamped. */
AUDIOLIB_API BOOL BASS_ChannelSetAttributes(DWORD handle, int freq, int volume, int pan);
AUDIOLIB_API BOOL BASS_ChannelGetAttributes(DWORD handle, DWORD* freq, DWORD* volume, int* pan);
/* Null vectors leave the value unchanged; takes effect at BASS_Apply3D. An
 * unpositioned channel fails with BASS_ERROR_NO3D. */
AUDIOLIB_API BOOL BASS_ChannelSet3DPosition(DWORD handle, const BASS_3DVECTOR* pos,
                                            const BASS_3DVECTOR* orient, const BASS_3DVECTOR* vel);
AUDIOLIB_API BOOL BASS_ChannelGet3DPosition(DWORD handle, BASS_3DVECTOR* pos, BASS_3DVECTOR* orient,
                                            BASS_3DVECTOR* vel);
/* type: BASS_SYNC_END, optionally with BASS_SYNC_ONETIME; other types fail with
 * BASS_ERROR_NOTAVAIL. Fires when the channel's last sample has been played,
 * and each time a looping channel passes its end. param is not used. */
AUDIOLIB_API HSYNC BASS_ChannelSetSync(DWORD handle, DWORD type, QWORD param, SYNCPROC* proc,
                                       void* user);
/* Room reverb send: 0 = none, 1 = full, -1 = automatic (distance based, the
 * default). */
AUDIOLIB_API BOOL BASS_ChannelSetEAXMix(DWORD handle, float mix);
/* Only BASS_FX_REVERB (one per channel; priority is not used). Fails with
 * BASS_ERROR_NOTAVAIL for other types, BASS_ERROR_MEMORY when OpenAL has no
 * effect slot left. The effect goes with its channel. Channels whose reverbs
 * have the same time and ratio share one OpenAL effect slot; a reverb mixed
 * at -96 dB or below costs nothing. */
AUDIOLIB_API HFX BASS_ChannelSetFX(DWORD handle, DWORD type, int priority);
/* params: a BASS_REVERB_PARAMS; values are clamped to what OpenAL supports.
 * Fails with BASS_ERROR_MEMORY when the new reverb needs an effect slot and
 * OpenAL has none left: the parameters are kept, the reverb is silent. */
AUDIOLIB_API BOOL BASS_FXSetParameters(HFX handle, const void* params);
/* Copies the effect's parameters (as last set) into params. */
AUDIOLIB_API BOOL BASS_FXGetParameters(HFX handle, void* params);

/* ---- Channel levels (the library's own extension) ------------------------ */
/* The peak of what the channel fed in about the last 20 ms (the buffer playing
 * now and what played just before), after its volume and before any 3D
 * placement, pan or effect: left in the low word, right in the high word,
 * 0 (silence) .. 32768 (full scale or above). A mono channel reports its one
 * peak on both sides. 0 while the channel is not playing. Lock-free: cheap
 * enough to call for every channel at every repaint. -1 on a bad handle. */
AUDIOLIB_API DWORD AUDIOLIB_ChannelGetLevel(DWORD handle);

/* ---- Headphone 3D (HRTF; the library's own extension) -------------------- */
/* Modes: AUDIOLIB_HRTF_AUTO lets OpenAL Soft decide (on when the output reports
 * headphones, or as its configuration file says); ON and OFF ask for it. */
#define AUDIOLIB_HRTF_OFF 0
#define AUDIOLIB_HRTF_ON 1
#define AUDIOLIB_HRTF_AUTO 2

/* Why HRTF is or is not in use (OpenAL Soft's ALC_HRTF_STATUS_SOFT codes). */
#define AUDIOLIB_HRTF_DISABLED 0            /* off: not asked for, or no headphones seen */
#define AUDIOLIB_HRTF_ENABLED 1             /* on, as asked */
#define AUDIOLIB_HRTF_DENIED 2              /* off: OpenAL Soft's configuration forbids it */
#define AUDIOLIB_HRTF_REQUIRED 3            /* on: OpenAL Soft's configuration demands it */
#define AUDIOLIB_HRTF_HEADPHONES_DETECTED 4 /* on: the output reports headphones */
/* off: the output is not stereo at 44100 or 48000 Hz, or no data set fits it */
#define AUDIOLIB_HRTF_UNSUPPORTED_FORMAT 5
#define AUDIOLIB_HRTF_UNAVAILABLE 6 /* off: this OpenAL has no HRTF at all */

typedef struct AUDIOLIB_HRTF_INFO {
    DWORD mode;   /* AUDIOLIB_HRTF_OFF / ON / AUTO, as last set */
    int dataset;  /* the data set asked for, or -1 for OpenAL Soft's choice */
    BOOL active;  /* HRTF renders the output now */
    DWORD status; /* AUDIOLIB_HRTF_DISABLED .. UNAVAILABLE */
    int inUse;    /* index of the data set rendering now, or -1 */
    DWORD count;  /* number of data sets (AUDIOLIB_GetHRTFName) */
} AUDIOLIB_HRTF_INFO;

/* Sets the open device's HRTF mode and data set (index from 0, or -1 for
 * OpenAL Soft's choice) by resetting the device in place: channels, buffers,
 * positions, effects and play states are kept. A data set made for another
 * rate may move an output device to that rate; the loopback device keeps its
 * rate and falls back to a data set for it. Succeeds when the device took the
 * request, whether or not HRTF could be turned on (see AUDIOLIB_GetHRTFInfo).
 * A device without HRTF support fails with BASS_ERROR_NOTAVAIL.
 * The output fades out over one mixing update before the reset and in again
 * after it, so the switch neither clicks nor drops out: on an output device
 * the call waits for the fade (a few tens of ms); on the loopback device the
 * fade is rendered at once and handed out first by the next AUDIOLIB_Render. */
AUDIOLIB_API BOOL AUDIOLIB_SetHRTF(DWORD mode, int dataset);
AUDIOLIB_API BOOL AUDIOLIB_GetHRTFInfo(AUDIOLIB_HRTF_INFO* info);
/* Name of data set index (from 0) of the open device; null past the last. The
 * string is the library's and stays valid until the process ends. */
AUDIOLIB_API const char* AUDIOLIB_GetHRTFName(DWORD index);

/* ---- Listener orientation (the library's own extension) ------------------ */
/* Turns the listener, for head tracking: front is where the listener looks,
 * top where the top of the head points, in the program's axes (X right, Y up,
 * Z front). The default is front (0, 0, 1), top (0, 1, 0). The vectors need
 * not be unit length; OpenAL makes them perpendicular. Takes effect at the
 * next BASS_Apply3D, as positions do; BASS_Init starts from the default.
 * A null pointer or a zero-length (or non-finite) vector fails with
 * BASS_ERROR_ILLPARAM; no open device with BASS_ERROR_INIT. */
AUDIOLIB_API BOOL AUDIOLIB_SetListenerOrientation(const BASS_3DVECTOR* front,
                                                  const BASS_3DVECTOR* top);

/* The 3D factors as last set (BASS_Set3DFactors) and the listener's
 * orientation (AUDIOLIB_SetListenerOrientation), for a renderer of its own
 * that must place sources as the device does: positions times distf, OpenAL's
 * inverse-distance-clamped model with reference distance 1 and roll-off rollf.
 * A null pointer skips that value. Fails with BASS_ERROR_INIT without a device. */
AUDIOLIB_API BOOL AUDIOLIB_Get3DSpace(float* distf, float* rollf, BASS_3DVECTOR* front,
                                      BASS_3DVECTOR* top);

/* ---- Offline rendering (the library's own extension) --------------------- */
/* Opens an OpenAL loopback device instead of an output device: stereo float at
 * freq Hz, rendered only by AUDIOLIB_Render, faster than real time. hrtf is an
 * AUDIOLIB_HRTF_* mode (HRTF needs 44100 or 48000 Hz). Every other function
 * works as with BASS_Init; BASS_Free closes it. */
AUDIOLIB_API BOOL AUDIOLIB_InitLoopback(DWORD freq, DWORD hrtf);
/* As AUDIOLIB_InitLoopback, with the HRTF data set (an index as
 * AUDIOLIB_GetHRTFName lists them for a loopback device of this rate, or -1
 * for OpenAL Soft's choice) and the output's channels: 2 (stereo), 4 (quad:
 * front left, front right, back left, back right), 6 (5.1: front left, front
 * right, centre, LFE, side left, side right) or 8 (7.1: front left, front
 * right, centre, LFE, back left, back right, side left, side right). HRTF
 * needs stereo. */
AUDIOLIB_API BOOL AUDIOLIB_InitLoopbackEx(DWORD freq, DWORD hrtf, int dataset, DWORD channels);
/* As AUDIOLIB_InitLoopbackEx, with flags: AUDIOLIB_LOOPBACK_NOLIMITER renders
 * without OpenAL Soft's output limiter, so samples may pass full scale and the
 * render is not delayed by the limiter's look-ahead (about 1 ms): for a caller
 * that limits the mix itself. */
#define AUDIOLIB_LOOPBACK_NOLIMITER 1
AUDIOLIB_API BOOL AUDIOLIB_InitLoopbackFlags(DWORD freq, DWORD hrtf, int dataset, DWORD channels,
                                             DWORD flags);
/* Renders frames frames (interleaved floats, as many per frame as the
 * loopback device has channels) into out. Before each block every playing
 * channel's queue is topped up, so the output is complete and the same on
 * every run. */
AUDIOLIB_API BOOL AUDIOLIB_Render(float* out, DWORD frames);


/* ---- Render lanes (the library's own extension) -------------------------- */
/* A lane is a further, independent instance of the library with its own
 * device, channels, effects and thread, so that parts of one scene render on
 * several threads at once on loopback devices of their own. A thread bound to
 * a lane reaches only that lane with every call (handles of one instance mean
 * nothing to another); an unbound thread reaches the library's own instance.
 * Plug-ins are shared. AUDIOLIB_LaneCreate returns null when out of memory.
 * AUDIOLIB_LaneBind(null) binds the thread back to the library's own
 * instance. AUDIOLIB_LaneFree closes the lane's device (if still open) and
 * frees it; no thread may be bound to it then. */
typedef struct AUDIOLIB_LANE AUDIOLIB_LANE;
AUDIOLIB_API AUDIOLIB_LANE* AUDIOLIB_LaneCreate(void);
AUDIOLIB_API BOOL AUDIOLIB_LaneBind(AUDIOLIB_LANE* lane);
AUDIOLIB_API void AUDIOLIB_LaneFree(AUDIOLIB_LANE* lane);

/* Whether channels are heard directly (on, the default). Off, the device
 * renders only what the room and the channels' reverbs return, for a renderer
 * that places the direct sound itself and adds this as its diffuse part.
 * Applies at once to every channel and to channels opened later, until set
 * again or the device closes. Fails with BASS_ERROR_NOTAVAIL without EFX. */
AUDIOLIB_API BOOL AUDIOLIB_SetDirectPath(BOOL on);

/* Decode-only twins: a channel's file opened a second time the way the channel
 * was opened (mono, looping, module ramping), whose samples are read directly
 * instead of played: the dry signal of the channel before volume, pan, 3D and
 * effects, at the device's rate (resampled linearly when the file's differs),
 * with as many audio channels per frame as the channel plays
 * (BASS_CHANNELINFO.chans). A looping channel's twin loops. Returns the twin's
 * handle, or 0 (BASS_ERROR_HANDLE for a bad channel, the opening's error
 * otherwise). A twin needs no device once open; it lives until
 * AUDIOLIB_DecoderFree. */
AUDIOLIB_API DWORD AUDIOLIB_DecoderOpen(DWORD channel);
/* Reads up to frames frames into out (frames x chans floats). Returns the
 * frames read: fewer than asked only at the end of a file that does not loop;
 * (DWORD)-1 on a bad handle or null out. */
AUDIOLIB_API DWORD AUDIOLIB_DecoderRead(DWORD decoder, float* out, DWORD frames);
AUDIOLIB_API BOOL AUDIOLIB_DecoderFree(DWORD decoder);

#ifdef __cplusplus
}
#endif

#endif /* AUDIOLIB_H */
