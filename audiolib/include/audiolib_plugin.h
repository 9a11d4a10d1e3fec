/*
 * audiolib plug-in interface.
 *
 * A plug-in is a shared object (bass*.so; bass*.dll on Windows) that exports
 * one function, AUDIOLIB_GetPlugin (AUDIOLIB_PLUGIN_ENTRY_NAME), returning a
 * pointer to a static AUDIOLIB_PLUGIN table. BASS_PluginLoad refuses a file
 * whose table is missing, whose abi is not AUDIOLIB_PLUGIN_ABI, or whose info,
 * open, read or close is null.
 *
 * The library calls open() for a file after its own decoders declined it,
 * trying the plug-ins in load order; a plug-in that does not recognise the file
 * returns null and the next one is asked. Decoders deliver interleaved 32-bit
 * float frames, nominally in [-1, 1].
 *
 * Threads: open() may be called from any thread, also while other decoders of
 * the same plug-in are being read on the library's streaming thread; a decoder
 * is used by one thread at a time. A plug-in is never unloaded while the
 * process runs, so the table, the info record and its strings may be static.
 */
#ifndef AUDIOLIB_PLUGIN_H
#define AUDIOLIB_PLUGIN_H

#include "audiolib.h"

#ifdef __cplusplus
extern "C" {
#endif

#define AUDIOLIB_PLUGIN_ABI 1
#define AUDIOLIB_PLUGIN_ENTRY_NAME "AUDIOLIB_GetPlugin"

#if defined(_WIN32)
#define AUDIOLIB_PLUGIN_EXPORT __declspec(dllexport)
#else
#define AUDIOLIB_PLUGIN_EXPORT __attribute__((visibility("default")))
#endif

typedef struct AUDIOLIB_PLUGIN {
    DWORD abi;                   /* AUDIOLIB_PLUGIN_ABI */
    const BASS_PLUGININFO* info; /* formats: name and extension list each; not null */
    /* Opens path (UTF-8). Returns a decoder, or null when the file is not one
     * of the plug-in's formats or cannot be read. On success fills rate (Hz,
     * non-zero) and channels (non-zero). */
    void* (*open)(const char* path, DWORD* rate, DWORD* channels);
    /* Reads up to frames frames into out; returns the frames read, 0 at the end,
     * negative on a decoding error. */
    long (*read)(void* decoder, float* out, long frames);
    /* Back to the first frame; non-zero on success. May be null when the
     * plug-in cannot seek (such a file then cannot loop). */
    int (*rewind)(void* decoder);
    void (*close)(void* decoder);
} AUDIOLIB_PLUGIN;

typedef const AUDIOLIB_PLUGIN* (*AUDIOLIB_GetPluginFn)(void);

/* The entry point a plug-in defines; declared here so that its signature and
 * C linkage are checked when the plug-in is compiled. */
AUDIOLIB_PLUGIN_EXPORT const AUDIOLIB_PLUGIN* AUDIOLIB_GetPlugin(void);

#ifdef __cplusplus
}
#endif

#endif /* AUDIOLIB_PLUGIN_H */
