// Audio start-up: the library's version, the output device, EAX, plug-ins and
// the reverb defaults; and the message for a batch in which nothing loaded.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QListWidget>
#include <QMessageBox>
#include <cstdio>

#include "app/Language.h"
#include "app/PNAP.h"
#include "audio/DevSelect.h"
#include "audio/ErrorReasons.h"
#include "audiolib.h"
#include "channels/ChannelFile.h"
#include "effects/Reverb.h"
#include "playlist/PathRules.h"

namespace {

constexpr DWORD OutputRate = 44100;

// A box without owner window and without a caption of its own.
void ShowStartupFailure(const QString& text, QMessageBox::Icon icon) {
    QMessageBox box(icon, QString(), text, QMessageBox::Ok);
    box.exec();
}

} // namespace

bool TFrmPhonaraPlayer::BASSInitialize() {
    if ((BASS_GetVersion() >> 16) != 0x0203) {
        ShowStartupFailure(tr("An incorrect version of BASS.DLL was loaded"),
                           QMessageBox::Critical);
        return false;
    }
    void* window = reinterpret_cast<void*>(winId());

    int device = 1;
    {
        TFrmDevSelector selector;
        int n = 1;
        for (; BASS_GetDeviceDescription(static_cast<DWORD>(n)) != nullptr; ++n) {
            QString row = QString::fromUtf8(BASS_GetDeviceDescription(static_cast<DWORD>(n)));
            if (!BASS_Init(n, OutputRate, BASS_DEVICE_3D, window, nullptr))
                continue; // a device that cannot be opened is not offered
            DWORD env;
            float vol, decay, damp;
            if (BASS_GetEAXParameters(&env, &vol, &decay, &damp))
                row += " [EAX]";
            selector.AddDevice(row, n);
            BASS_Free();
        }
        const int existing = n - 1;
        if (existing >= 2) {
            if (selector.ListBox1->count() == 0) {
                // Devices exist but none opened: there is nothing to choose.
                ShowStartupFailure(tr("Can't initialize output device"), QMessageBox::NoIcon);
                return false;
            }
            selector.ListBox1->setCurrentRow(0);
            selector.exec(); // however it was closed, the highlighted row counts
            device = selector.SelectedDevice();
            if (device == 0) // the user cleared the highlight: take the first row
                device = (selector.ListBox1->setCurrentRow(0), selector.SelectedDevice());
        }
    }

    if (!BASS_Init(device, OutputRate, BASS_DEVICE_3D, window, nullptr)) {
        ShowStartupFailure(tr("Can't initialize output device"), QMessageBox::NoIcon);
        return false;
    }
    ApplyStoredHrtf();
    BASS_Set3DFactors(1.0f, 1.0f, 1.0f);

    // Setting the room's volume to 0 both probes for EAX and keeps it silent.
    const bool eax = BASS_SetEAXParameters(-1, 0.0f, -1.0f, -1.0f) != 0;
    ComboBox1->setEnabled(eax);
    {
        const QSignalBlocker quiet(ComboBox1);
        ComboBox1->setCurrentIndex(0);
    }

    // Plug-ins beside the program; each format becomes a filter entry of the
    // channel-file dialog.
    const QString folder =
        PluginFolder.isEmpty() ? QApplication::applicationDirPath() : PluginFolder;
    for (const HPLUGIN plugin : LoadPluginsIn(folder)) {
        const BASS_PLUGININFO* info = BASS_PluginGetInfo(plugin);
        if (!info)
            continue;
        for (DWORD i = 0; i < info->formatc; ++i) {
            const std::string name = info->formats[i].name ? info->formats[i].name : "";
            const std::string exts = info->formats[i].exts ? info->formats[i].exts : "";
            OpenDialog1.Filter += "|" + name + " (" + exts + ")|" + exts;
        }
    }

    SetReverbDefaults();
    return true;
}

void TFrmPhonaraPlayer::ShowBassError(const QString& message) {
    // The number alone tells a user nothing: each file that failed is named
    // with the reason in words.
    QString text = message;
    for (const auto& [path, code] : LoadFailures)
        text += "\n" + tr("%1: %2").arg(QString::fromStdString(FileNameOfPath(path)),
                                        QString::fromStdString(BassErrorReason(code, Translated)));
    text += "\n" + tr("(error code: %1)").arg(BASS_ErrorGetCode());
    // A start from a terminal shows there which files failed, too.
    if (!LoadFailures.empty())
        std::fprintf(stderr, "phonaraplayer: %s\n", qUtf8Printable(text));
    QMessageBox box(QMessageBox::NoIcon, QString(), text, QMessageBox::Ok, this);
    box.exec();
}

void TFrmPhonaraPlayer::NoteLoadFailure(const std::string& path) {
    // A long batch names its last five failures.
    constexpr size_t Named = 5;
    if (LoadFailures.size() == Named)
        LoadFailures.erase(LoadFailures.begin());
    LoadFailures.emplace_back(path, BASS_ErrorGetCode());
}

void TFrmPhonaraPlayer::ReportLoadResult(bool loadedAny) {
    if (!loadedAny)
        ShowBassError(tr("有効なファイルが見つかりませんでした。"));
    LoadFailures.clear();
}
