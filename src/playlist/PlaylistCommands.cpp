// Playlists: reading and writing the arrangement, the open and save commands,
// dropped files, the command line and the auto-save.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMessageBox>
#include <QMimeData>
#include <QScopeGuard>
#include <QSignalBlocker>
#include <QSlider>
#include <QStandardPaths>
#include <QUrl>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <sys/stat.h>

#include "app/PNAP.h"
#include "audiolib.h"
#include "channels/Placing.h"
#include "channels/Sources.h"
#include "playlist/AutoSave.h"
#include "playlist/PathRules.h"
#include "playlist/PlaylistFile.h"
#include "playlist/PlaylistFormat.h"
#include "playlist/PlaylistReading.h"
#include "spatial/Coordinates.h"
#include "spatial/Markers.h"
#include "spatial/Spatial.h"
#include "undo/UndoHistory.h"
#include "widgets/Marker.h"
#include "widgets/StringGrid.h"

namespace {

// The error box of a file that cannot be read or written.
void ShowFileError(QWidget* window, const QString& format, const std::string& path) {
    QMessageBox box(QMessageBox::Critical, QApplication::applicationDisplayName(),
                    format.arg(QString::fromStdString(path)), QMessageBox::Ok,
                    window && window->isVisible() ? window : nullptr);
    box.exec();
}

// The paths of the local files among dropped URLs; others are not files.
std::vector<std::string> LocalFiles(const QMimeData* data) {
    std::vector<std::string> names;
    if (data && data->hasUrls())
        for (const QUrl& url : data->urls())
            if (url.isLocalFile() && !url.toLocalFile().isEmpty())
                names.push_back(url.toLocalFile().toStdString());
    return names;
}

// What a playlist names that is not there: the folder that is missing (an
// unmounted drive's) or the file, the first few of them.
QString MissingText(const TPlaylistRead& read) {
    constexpr size_t Shown = 5;
    const std::vector<TMissingPlace> places = MissingPlaces(read.Missing, [](const std::string& p) {
        struct stat st {};
        return ::stat(p.c_str(), &st) == 0;
    });
    QStringList lines;
    for (size_t i = 0; i < places.size() && i < Shown; ++i)
        lines << (places[i].Folder ? TFrmPhonaraPlayer::tr("フォルダー %1 がありません。")
                                   : TFrmPhonaraPlayer::tr("ファイル %1 がありません。"))
                     .arg(QString::fromStdString(places[i].Path));
    if (places.size() > Shown)
        lines << TFrmPhonaraPlayer::tr("ほか %1 件").arg(places.size() - Shown);
    return lines.join("\n");
}

// The load-result message when the playlist named no file that exists: no
// error code, since nothing was tried. What is missing is named below, and on
// stderr for a start from a terminal.
void ShowNoExistingFile(QWidget* window, const QString& missing) {
    QMessageBox box(QMessageBox::NoIcon, QString(),
                    TFrmPhonaraPlayer::tr("有効なファイルが見つかりませんでした。"),
                    QMessageBox::Ok, window);
    box.setInformativeText(missing);
    std::fprintf(stderr, "phonaraplayer: %s\n%s\n", qUtf8Printable(box.text()),
                 qUtf8Printable(missing));
    box.exec();
}

} // namespace

std::string AutoSavePlaylistPath() {
    TAutoSaveFacts facts;
    const QString folder = QCoreApplication::applicationDirPath();
    facts.ProgramFolder = folder.toStdString();
    facts.ProgramFolderWritable = QFileInfo(folder).isWritable();
    facts.InstalledCopy = QFileInfo::exists(QDir(folder).filePath(InstalledMarkerName));
    facts.UserConfigFolder =
        QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation).toStdString();
    return AutoSavePathFor(facts);
}

TPlaylistChannel TFrmPhonaraPlayer::PlaylistChannel(int n) const {
    // A source on its path is saved where it rests, with its path.
    const BASS_3DVECTOR rest = RestPosition(n);
    TPlaylistChannel c{rest.x, rest.y, rest.z, Sources[n].FileName};
    if (const TMotionPath* motion = ChannelMotion(n))
        c.Motion = *motion;
    return c;
}

std::string TFrmPhonaraPlayer::ArrangementText() const {
    std::vector<TPlaylistChannel> channels;
    for (int n = 1; n <= ChannelCount; ++n) {
        const TSource& slot = Sources[n];
        if (slot.Loaded)
            channels.push_back(PlaylistChannel(n));
    }
    return FormatPlaylist(TrackBar1->value(), ComboBox1->currentIndex(), channels);
}

bool TFrmPhonaraPlayer::SavePlaylist(const std::string& path) {
    if (WriteFileReplacing(path, ArrangementText()))
        return true;
    ShowFileError(this, tr("ファイル %1 を作成できません"), path);
    return false;
}

void TFrmPhonaraPlayer::WriteAutoSave() {
    if (autoSaved_ || AutoSavePath.empty())
        return;
    autoSaved_ = true;
    // Unchanged since the start-up restore or the last save: the file stays
    // as it is, with the files a restore could not find (a drive not there
    // yet) still named in it.
    if (autoSaveClean_)
        return;
    const std::string text = ArrangementText();
    std::error_code ignored; // a folder that cannot be made fails the save
    std::filesystem::create_directories(FolderOfPath(AutoSavePath), ignored);
    // A smaller arrangement does not silently replace a larger one: the one
    // it replaces is kept beside it, one generation deep. Should that fail,
    // the arrangement of this run is still saved.
    std::string old;
    if (ReadFileHead(AutoSavePath, old, SIZE_MAX) == TReadResult::Ok &&
        KeepsPreviousAutoSave(FilesNamedIn(old, AutoSavePath), FilesNamedIn(text, AutoSavePath)))
        WriteFileReplacing(PreviousAutoSavePathFor(AutoSavePath), old);
    if (SavePlaylist(AutoSavePath))
        autoSaveClean_ = true;
}

void TFrmPhonaraPlayer::OpenPlaylist(const std::string& path, TOrigin origin) {
    // The whole file is read before anything changes, so that a file that
    // fails midway or names nothing usable leaves the arrangement alone.
    const TPlaylistRead read = ReadPlaylist(path, 50 * static_cast<double>(UnitsPerStep),
                                            ChannelCount); // the bars' 50 steps
    switch (read.Result) {
    case TReadResult::Missing:
        return;
    case TReadResult::Unreadable:
        ShowFileError(this, tr("ファイル %1 は開けません"), path);
        return;
    case TReadResult::Ok:
        break;
    }
    // Made elsewhere (another machine, Windows paths, a drive not there):
    // the channels, reverb and room stay as they are.
    if (read.NamesFile && read.Existing == 0) {
        ShowNoExistingFile(this, MissingText(read));
        return;
    }
    // Opened by the user, it is one step named after the playlist.
    History->Recorder.MarkPlaylist();
    FreeChannel(true, origin);
    const auto setting = [this, origin](const TPlaylistLine& line) {
        if (line.ReverbLevel)
            Arrangement.ReverbLevel(*line.ReverbLevel, origin);
        // The environment is applied even when unchanged, and also while
        // the box is disabled for want of EAX.
        if (line.Environment)
            Arrangement.Environment(*line.Environment, origin);
    };
    const auto load = [this, origin](int n, const TPlaylistChannel& channel) {
        if (Arrangement.File(n, channel.FileName, origin).Refused())
            return false;
        // A plain stereo channel imitates the place it was saved at, as it
        // did when it was moved there; the load took the slot's old one.
        Arrangement.Place(n, {channel.X, channel.Y, channel.Z}, origin, TPanRule::FromX());
        if (channel.Motion)
            Arrangement.Path(n, std::make_shared<const TMotionPath>(*channel.Motion), origin);
        return true;
    };
    const TPlaylistApplied applied = ApplyPlaylist(read, ChannelCount, setting, load);
    // The current row's channel becomes the current channel again.
    bool canSelect = true;
    StringGrid1SelectCell(1, StringGrid1->row(), canSelect);
    RepaintGrid();
    if (applied.ExistingSeen)
        ReportLoadResult(applied.LoadedAny);
}

void TFrmPhonaraPlayer::FileOpen2Accept() {
    const TUndoScope step(History->Recorder);
    OpenPlaylist(FileOpen2Dialog.FileName.toStdString());
}

void TFrmPhonaraPlayer::FileSaveAs1Accept() {
    SavePlaylist(FileSaveAs1Dialog.FileName.toStdString());
}

void TFrmPhonaraPlayer::LoadIniFile(const QStringList& arguments) {
    // What the program starts with is no step; the history starts empty.
    const TUndoPause starting(History->Recorder);
    const auto startEmpty = qScopeGuard([this] { History->Clear(); });
    if (arguments.isEmpty()) {
        if (AutoSavePath.empty())
            return;
        // What is restored is what the auto-save stands for from now on: if
        // it stays unchanged, closing leaves the file as it is. A first start
        // (no file yet) writes one at the end.
        std::string probe;
        const bool there = ReadFileHead(AutoSavePath, probe, 0) != TReadResult::Missing;
        OpenPlaylist(AutoSavePath, TOrigin::Startup);
        autoSaveClean_ = there;
        return;
    }
    // Names relative to the working folder are made absolute, so that a
    // playlist or the auto-save written later still finds them.
    auto absolute = [](const QString& name) {
        return name.isEmpty() ? std::string() : QFileInfo(name).absoluteFilePath().toStdString();
    };
    const std::string first = absolute(arguments.first());
    if (IsPlaylistName(first)) {
        OpenPlaylist(first, TOrigin::Startup);
        return;
    }
    // Sound files go into slots 1, 2, 3 and on, whatever is selected; a file
    // that fails leaves its slot to the next one.
    int slot = 1;
    bool loadedAny = false;
    for (const QString& argument : arguments) {
        if (!Arrangement.File(slot, absolute(argument), TOrigin::Startup).Refused()) {
            loadedAny = true;
            if (++slot > ChannelCount)
                break;
        }
    }
    RepaintGrid();
    ReportLoadResult(loadedAny);
}

void TFrmPhonaraPlayer::WMDropFiles(const std::vector<std::string>& names) {
    if (names.empty())
        return;
    const TUndoScope step(History->Recorder);
    // The first name decides: one playlist, or up to 32 sound files.
    if (IsPlaylistName(names.front())) {
        OpenPlaylist(names.front());
        return;
    }
    const size_t count = std::min(names.size(), static_cast<size_t>(ChannelCount));
    LoadFileList(std::vector<std::string>(names.begin(), names.begin() + count));
}

void TFrmPhonaraPlayer::dragEnterEvent(QDragEnterEvent* event) {
    if (!LocalFiles(event->mimeData()).empty())
        event->acceptProposedAction();
}

void TFrmPhonaraPlayer::dropEvent(QDropEvent* event) {
    const std::vector<std::string> names = LocalFiles(event->mimeData());
    if (names.empty())
        return;
    event->acceptProposedAction();
    WMDropFiles(names);
}
