#include "channels/ChannelFile.h"

#include <QDir>

DWORD OpenChannelFile(const std::string& path, bool loop) {
    const DWORD looping = loop ? BASS_SAMPLE_LOOP : 0;
    const char* file = path.c_str();
    DWORD handle = BASS_MusicLoad(false, file, 0, 0, BASS_MUSIC_RAMP | BASS_SAMPLE_3D | looping, 0);
    if (!handle)
        handle =
            BASS_StreamCreateFile(false, file, 0, 0, BASS_SAMPLE_MONO | looping | BASS_SAMPLE_3D);
    if (!handle)
        handle = BASS_StreamCreateFile(false, file, 0, 0, looping);
    return handle;
}

std::vector<HPLUGIN> LoadPluginsIn(const QString& folder) {
    std::vector<HPLUGIN> plugins;
    const QStringList files =
        QDir(folder).entryList({"bass*.so", "bass*.dll"}, QDir::Files, QDir::Name);
    for (const QString& file : files) {
        const QByteArray path = QDir(folder).filePath(file).toUtf8();
        if (const HPLUGIN plugin = BASS_PluginLoad(path.constData(), 0))
            plugins.push_back(plugin);
    }
    return plugins;
}
