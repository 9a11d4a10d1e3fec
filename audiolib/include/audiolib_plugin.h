/*
 * audiolib plug-in interface.
 *
 * A plug-in is a shared object (bass*.so; bass*.dll on Windows) that exports
 * one function, AUDIOLIB_PLUGIN_ENTRY_NAME, returning a pointer to a static
 * AUDIOLIB_PLUGIN table. The library calls open() for a file after its own
 * decoders declined it; a plug-in that does not recognise the file returns
 * null. Decoders deliver interleaved 32-bit float frames in [-1, 1].
 *
 * All functions may be called from the library's streaming thread; a decoder
 * is used by one thread at a time.
 */
#ifndef AUDIOLIB_PLUGIN_H
#define AUDIOLIB_PLUGIN_H

#include "audiolib.h"

#ifdef __cplusplus
extern "C" {
#endif

#define AUDIOLIB_PLUGIN_ABI 1
#define AUDIOLIB_PLUGIN_ENTRY_NAME "AUDIOLIB_GetPlugin"

typedef struct AUDIOLIB_PLUGIN {
    DWORD abi;                   /* AUDIOLIB_PLUGIN_ABI */
    const BASS_PLUGININFO* info; /* formats: name and extension list each */
    /* Opens path (UTF-8). Returns a decoder or null; fills rate and channels. */
    void* (*open)(const char* path, DWORD* rate, DWORD* channels);
    /* Reads up to frames frames into out; returns the frames read, 0 at the end,
     * negative on a decoding error. */
    long (*read)(void* decoder, float* out, long frames);
    /* Back to the first frame; non-zero on success. */
    int (*rewind)(void* decoder);
    void (*close)(void* decoder);
} AUDIOLIB_PLUGIN;

typedef const AUDIOLIB_PLUGIN* (*AUDIOLIB_GetPluginFn)(void);

#ifdef __cplusplus
}
#endif

#endif /* AUDIOLIB_PLUGIN_H */
