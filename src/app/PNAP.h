// The main window: every control of the program, and the event handlers and
// commands behind them. Handlers are defined in the folder of the subsystem
// they belong to; module-level state lives beside its subsystem.
#pragma once

#include <QMainWindow>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "arrangement/ArrangementSeam.h"
#include "audio/OutputLayout.h"
#include "audiolib.h"
#include "export/ExportOptions.h"
#include "motion/MotionPlayer.h"
#include "motion/MotionRecorder.h"
#include "widgets/FileDialog.h"

class QAction;
class QComboBox;
class QDragEnterEvent;
class QDropEvent;
class QFrame;
class QGroupBox;
class QLabel;
class QMenu;
class QMenuBar;
class QPainter;
class QProgressDialog;
class TExportJob;
class TLevelsWindow;
struct TExportOptions;
class QPushButton;
class QRect;
class QWheelEvent;
class QSlider;
class QThread;
class QTimer;
class TApplicationEvents;
class TRemoteServer;
class TScrollBar;
class TStringGrid;
class TUndoHistory;
struct TArrangement;
class TViewImage;
struct TBandRect;
struct TPlaylistChannel;

// The channel-file dialog's built-in entries; plug-ins append theirs at start.
extern const char* const ChannelFileFilter;
// The playlist dialogs' entries.
extern const char* const PlaylistFilter;
// The version line of the version box.
extern const char* const VersionText;

// The output layout the user keeps in the settings (Automatic when none).
TOutputLayout KeptOutputLayout();

class TFrmPhonaraPlayer : public QMainWindow {
    Q_OBJECT
public:
    explicit TFrmPhonaraPlayer(QWidget* parent = nullptr);
    ~TFrmPhonaraPlayer() override;

    // Components, in the layout's order.
    TScrollBar* ScrollBarX = nullptr;
    TScrollBar* ScrollBarY = nullptr;
    TScrollBar* ScrollBarZ = nullptr;
    TScrollBar* ScrollBarX2 = nullptr;
    QLabel* LabelZ = nullptr;
    QLabel* LabelY = nullptr;
    QLabel* LabelX = nullptr;
    QFrame* Panel1 = nullptr;
    TViewImage* Image1 = nullptr;
    QFrame* Panel2 = nullptr;
    TFileDialog OpenDialog1;
    QPushButton* LoadButton = nullptr;
    QPushButton* PlayButton = nullptr;
    QPushButton* PauseButton = nullptr;
    QPushButton* RemoveButton = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    TStringGrid* StringGrid1 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label3 = nullptr;
    TViewImage* Image2 = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QPushButton* StopButton = nullptr;
    QPushButton* LoopButton = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    QSlider* TrackBar1 = nullptr;
    QLabel* Label5 = nullptr;
    QMenuBar* MainMenu1 = nullptr;
    QMenu* MenuOpenFile = nullptr;
    QAction* about1 = nullptr;
    QAction* FileSaveAs1 = nullptr;
    QAction* FileExit1 = nullptr;
    QAction* FileOpen2 = nullptr;
    QAction* Open1 = nullptr;
    QAction* O1 = nullptr;    // the menu item of FileOpen2
    QAction* A1 = nullptr;    // the menu item of FileSaveAs1
    QAction* Exit2 = nullptr; // the menu item of FileExit1
    QPushButton* SaveButton = nullptr;
    QPushButton* OpenButton = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* Label8 = nullptr;
    QLabel* Label9 = nullptr;
    QLabel* Label10 = nullptr;
    QLabel* Label11 = nullptr;
    QLabel* Label12 = nullptr;
    TApplicationEvents* ApplicationEvents1 = nullptr;

    // The dialogs of the two playlist actions.
    TFileDialog FileOpen2Dialog;
    TFileDialog FileSaveAs1Dialog;

    // The one way the arrangement changes: every place, file, path, gain,
    // mute, reverb level and environment, whoever asks. Undo, motion paths,
    // the remote control and the export reach the arrangement through it.
    TArrangementSeam Arrangement;

    // Start and end of the program.
    void FormCreate();
    void FormDestroy();
    // Makes the audio library usable; false when the program must end now
    // (the user has been told why).
    bool BASSInitialize();
    // Ends a start-up that failed: no tear-down, no auto-save.
    void AbandonStartup() { destroyed_ = true; }
    void LoadIniFile(const QStringList& arguments);
    // Where the audio plug-ins are looked for: the program's folder.
    QString PluginFolder;

    // Load errors.
    void ShowBassError(const QString& message);
    void ReportLoadResult(bool loadedAny);
    // The files that failed to load since the last report, with the
    // library's error code for each.
    std::vector<std::pair<std::string, int>> LoadFailures;
    void NoteLoadFailure(const std::string& path);

    // Channel table.
    bool IsChannelSelected(int n) const;

    // Loading and freeing.
    bool LoadChannelFile(int n, const std::string& path);
    void FreeChannel(bool all, TOrigin origin = TOrigin::Hand);
    // Stops and frees the file of loaded slot n; the slot keeps its place.
    void FreeSlot(int n);
    void LoadFileList(const std::vector<std::string>& list, TOrigin origin = TOrigin::Hand);
    void LoadButtonClick();
    void RemoveButtonClick();

    // Playlists: the whole arrangement read from or written to a file. Either
    // tells the user when the file cannot be read or written.
    void OpenPlaylist(const std::string& path, TOrigin origin = TOrigin::Playlist);
    bool SavePlaylist(const std::string& path);
    // Local files dropped onto the window, in the desktop's order.
    void WMDropFiles(const std::vector<std::string>& names);
    // The arrangement kept between runs: written when the window is destroyed,
    // read at a start without arguments. Empty: none (the entry point sets it).
    std::string AutoSavePath;
    // Writes it, once: when the window is closed, or else destroyed. An
    // arrangement unchanged since the start-up restore or the last save
    // leaves the file as it is; a smaller one keeps the file it replaces as
    // the previous generation beside it.
    void WriteAutoSave();
    // The playlist text the current arrangement is saved as.
    std::string ArrangementText() const;
    // Loaded channel n as a playlist holds it: where it rests, its file, its path.
    TPlaylistChannel PlaylistChannel(int n) const;

    // Transport.
    void PlayButtonClick();
    void LoopButtonClick();
    void PauseButtonClick();
    void StopButtonClick();
    // The same for the channels which holds for (loaded ones only).
    void StartPlayback(bool loop, const std::function<bool(int)>& which);
    void PauseChannels(const std::function<bool(int)>& which);
    void StopChannels(const std::function<bool(int)>& which);
    // The end of play of channel n (library handle), handed over from the audio thread.
    void EndOfPlay(int n, uint32_t handle);

    // Repaints the grid now; its drawing refreshes marker colours and commands.
    void RepaintGrid();

    // Axis scroll bars, arrow keys and the wheel.
    void ScrollBarChange(TScrollBar* sender);
    void ScrollBarX2Change();
    void ScrollBarKeyDown(TScrollBar* sender, int& key);
    void ScrollBarScroll(TScrollBar* sender, int scrollCode, int& scrollPos);
    void ScrollBarExit();
    // The window-wide wheel dispatch; true when the wheel event was dealt with.
    bool MouseWheelHandler(QWheelEvent* event);

    // The plane views: the figure behind the markers, and picking, dragging,
    // the rubber band and sending the selection to the pointer.
    void DrawViewBackground();
    void ImageMouseDown(TViewImage* sender, Qt::MouseButton button, Qt::KeyboardModifiers shift,
                        int x, int y);
    // held: the buttons down during the move, or still down after the release.
    void ImageMouseMove(TViewImage* sender, Qt::MouseButtons held, Qt::KeyboardModifiers shift,
                        int x, int y);
    void ImageMouseUp(TViewImage* sender, Qt::MouseButton button, Qt::MouseButtons held,
                      Qt::KeyboardModifiers shift, int x, int y);
    void ImageMousePoint(TViewImage* sender, int x, int y);
    void ImageMouseSelectRect(TViewImage* sender, const TBandRect& rect);
    // The channel the moves act on: the current row when it is loaded and
    // selected, else the lowest such channel, which becomes the current row;
    // 0 when there is none.
    int SettleCurrentChannel();

    // The channel grid's display.
    void StringGrid1DrawCell(QPainter& canvas, int col, int row, const QRect& rect);
    void StringGrid1SelectCell(int col, int row, bool& canSelect);
    // Scrolls the grid so that row m is among its five visible rows, then
    // makes m the current row (which selects the cell when the row changes).
    void MakeChannelCurrent(int m);

    // Room environment and reverb level.
    void ComboBox1Change();
    void TrackBar1Change();

    // Selection in the channel grid by mouse, keys and wheel, and the
    // file-name hint. Positions are in the grid's viewport pixels.
    void StringGrid1MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    void StringGrid1MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    void StringGrid1KeyDown(int& key, Qt::KeyboardModifiers shift);
    void StringGrid1MouseWheelDown(Qt::KeyboardModifiers shift, QPoint mousePos, bool& handled);
    void StringGrid1MouseWheelUp(Qt::KeyboardModifiers shift, QPoint mousePos, bool& handled);
    // One wheel step, wrapping from the last row to the first and back.
    void StringGrid1Loop(bool down, Qt::KeyboardModifiers shift);
    void StringGrid1MouseMove(Qt::KeyboardModifiers shift, int x, int y);
    void ApplicationEvents1Message(QObject* receiver, QEvent* event);
    void ApplicationEvents1Deactivate();

    // Commands.
    void about1Click();
    void FileOpen2Execute();
    void FileSaveAs1Execute();
    void FileOpen2Accept();
    void FileSaveAs1Accept();

    // Headphone 3D: the audio menu after the file menu. The three modes are
    // exclusive; the data-set submenu shows when OpenAL Soft offers more than
    // one; the disabled status item ends the menu.
    QMenu* MenuAudio = nullptr;
    QAction* HrtfAuto = nullptr;
    QAction* HrtfOn = nullptr;
    QAction* HrtfOff = nullptr;
    QMenu* MenuHrtfDataSet = nullptr;
    QAction* HrtfStatus = nullptr;
    void BuildAudioMenu();
    // Applies the user's stored choice to the device just opened.
    void ApplyStoredHrtf();
    void HrtfModeClick(uint32_t mode);
    void HrtfDataSetClick(int index);
    // Data sets and status, as the library reports them now.
    void RefreshHrtfMenu();

    // The output layout: a submenu of the audio menu, kept in the settings.
    // OpenAL Soft takes it when the program starts, so a change shows a note
    // that it applies at the next start. The headphone modes follow the
    // layout this run plays with (headphones: on; speakers, Ambisonics: off).
    QMenu* MenuOutputLayout = nullptr;
    QAction* OutputLayoutNote = nullptr;
    TOutputLayout RunningOutputLayout = TOutputLayout::Automatic;
    void BuildOutputLayoutMenu();
    void RetranslateOutputLayoutMenu();
    void SetRunningOutputLayout(TOutputLayout layout);
    void RefreshOutputLayoutMenu();
    // Personal HRTFs: the data-set submenu ends with "load a SOFA file" and
    // a submenu that removes the sets loaded so. A load converts on a worker
    // thread behind a progress dialog; the set is listed and chosen at once.
    QAction* HrtfSofaSeparator = nullptr;
    QAction* HrtfLoadSofa = nullptr;
    QMenu* MenuHrtfRemove = nullptr;
    TFileDialog SofaDialog;
    QProgressDialog* SofaProgress = nullptr;
    QThread* SofaWorker = nullptr;
    QString SofaReport; // the last load's outcome in words
    void BuildSofaMenu();
    void RetranslateSofaMenu();
    void LoadSofaClick();
    // Starts converting path; false when a load runs already.
    bool StartSofaLoad(const QString& path);
    // Chooses the set of that name for the device's rate; false when the
    // device does not list it.
    bool ChooseHrtfSet(const QString& setName);
    void RemoveSofaClick(const QString& setName);
    void RefreshSofaRemoveMenu();
    // Cancels a running load and waits for its thread: before the window goes.
    void StopSofaLoad();

    // OSC remote control: the audio menu's item and its dialog, and the
    // socket (none while it is off). port > 0 switches it on for this run on
    // that port, whatever the stored settings say.
    QAction* RemoteControlAction = nullptr;
    TRemoteServer* Remote = nullptr;
    void BuildRemoteMenu();
    void StartRemoteControl(int port = 0);
    void RemoteControlClick();

    // Export: the arrangement rendered to a sound file by a child process of
    // the program, while the window and live playback go on.
    QAction* ExportAction = nullptr;
    void ExportClick();
    // Starts an export of all loaded channels or the selected ones; false
    // (the user has been told why) when it cannot start.
    bool StartExport(const TExportOptions& options, bool selectedOnly);
    // The program the export runs in: this program, unless a test says otherwise.
    QString ExportProgram;
    TExportJob* ExportRunning = nullptr; // the export in progress, if any
    QProgressDialog* ExportProgress = nullptr;
    // The last export's choice: the next one starts from it.
    std::optional<TExportOptions> LastExport;
    // The last export's outcome as the user was told it.
    QString ExportReport;
    // Whether the window may close: an export in progress is cancelled when
    // the user agrees (asked first) or a signal closes the window.
    bool EndExportForClose();

    // Undo and redo of what the user does by hand: the Edit menu, its keys,
    // and the arrangement taken and put back. The M key mutes and unmutes
    // the selected channels, as a controller does.
    TUndoHistory* History = nullptr;
    QMenu* MenuEdit = nullptr;
    QAction* UndoAction = nullptr;
    QAction* RedoAction = nullptr;
    QAction* MuteAction = nullptr;
    void BuildEditMenu();
    void RetranslateEditMenu();
    // The arrangement read whole, as a step leaves it.
    TArrangement CurrentArrangement() const;
    void MuteSelectedClick();
    // Channel n's markers show its mute (hollow while muted).
    void ShowChannelLevel(int n);

    // The interface language: the menu of the choice, and every caption,
    // hint and accessible name set again in the language of the moment.
    QMenu* MenuLanguage = nullptr;
    QAction* LanguageJapanese = nullptr;
    QAction* LanguageEnglish = nullptr;
    void BuildLanguageMenu();
    void LanguageClick(bool english);
    void RetranslateUi();
    void RetranslateAudioMenu();
    void RetranslateRemoteMenu();
    // Names and descriptions for screen readers.
    void DescribeControls();
    // Tells screen readers that channel n's source moved (its markers' value).
    void AnnouncePlace(int n);
    // Motion paths: a channel's source follows its path while it plays, and
    // Ctrl+R records the movement of the current and selected channels
    // however it is made. The audio menu holds the items.
    QAction* RecordMotionAction = nullptr;
    QAction* ClearMotionAction = nullptr;
    QAction* MotionModeAction = nullptr;
    void BuildMotionMenu();
    void RetranslateMotionMenu();
    void ShowRecordingInTitle(); // the title says whether the window records
    // Starts recording, or stops it and gives each moved channel its path.
    void RecordMotion1Click();
    // origin: who asked; the paths a recording gives are theirs.
    void SetMotionRecording(bool on, TOrigin origin = TOrigin::Hand);
    bool MotionRecording() const { return motionRecorder_.Recording(); }
    void ClearMotion1Click(); // the selected channels lose their paths
    void MotionMode1Click();  // the selected channels' paths: loop <-> once
    // Channel n's path, none when it has none.
    const TMotionPath* ChannelMotion(int n) const;
    void SetChannelMotion(int n, std::optional<TMotionPath> path, TOrigin origin = TOrigin::Hand);
    // Where channel n rests: its place, or where the user put it while its
    // source follows its path. Saved in playlists.
    BASS_3DVECTOR RestPosition(int n) const;
    // What the transport did to channel n, for the path it follows.
    void MotionPlayed(int n);
    void MotionPaused(int n);
    void MotionStopped(int n);
    // Draws each loaded channel's path in both views (after a path or a file
    // changed; the grid's repaint calls it).
    void ShowMotionPaths();
    // One frame: the sources on their paths move, and a recording samples.
    void MotionFrame();
    QTimer* MotionTimer = nullptr;
    int MotionFrames = 0; // frames run so far
    // Milliseconds between frames: more than 60 a second.
    static constexpr int MotionFrameMs = 15;

    // The Levels window: a meter per loaded channel, shown and hidden by the
    // audio menu's item (Ctrl+Shift+L); whether it is open is kept between runs.
    QAction* LevelsAction = nullptr;
    TLevelsWindow* LevelsWindow = nullptr;
    void BuildLevelsMenu();
    void RetranslateLevelsMenu();
    void Levels1Click(bool show);
    // Opens it when it was open at the last exit (once the window shows).
    void RestoreLevelsWindow();
    // Its meters follow the loaded channels, and read while something plays
    // (the grid's repaint calls it).
    void ShowLevels();

    // True once FormDestroy has run (it runs once, from the destructor at the latest).
    bool Destroyed() const { return destroyed_; }

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BindHandlers();
    // The arrangement's reader, writer and the views that follow it.
    void BuildArrangement();
    std::optional<std::string> WriteField(const TChangeRequest& request);
    void ShowChange(const TChange& change);
    bool gridRepaintDue_ = false;
    // Who moves the bars: the bars themselves, or the keys or the wheel on them.
    TOrigin barOrigin_ = TOrigin::Bar;
    void RefreshFromGrid();
    void UpdateAxisLabel(TScrollBar* bar);
    void CreateMarkers();
    void BuildLayout();
    void BuildMenu();
    void BuildDialogs();
    void SetTabOrder();

    // The reverb level and the room as last applied: a step takes them from
    // here, since the controls show a new value before it is applied.
    int appliedReverbLevel_ = 0;
    int appliedEnvironment_ = 0;
    bool hrtfRefused_ = false; // the device did not take the last HRTF request
    bool destroyed_ = false;
    bool autoSaved_ = false;
    // The arrangement has not changed since it was restored from the
    // auto-save file or last written to it.
    bool autoSaveClean_ = false;
    bool dispatchingWheel_ = false;
    TMotionPlayer motionPlayer_;
    TMotionRecorder motionRecorder_;
    double recordingStart_ = 0;
    std::vector<const TMotionPath*> shownPaths_; // what the views draw
    void RefreshMotion();
    // The frames move the sound at their own rate and the drawing at less:
    // the markers of channels moved since they were last drawn, the bars and
    // labels of the current channel, and when each was drawn last.
    void DrawMovedSources(double now, bool all);
    // Puts the markers of the channels listed where their sources are, in
    // one repaint of each view's area they leave and enter (the sweeps).
    void PlaceMarkersTogether(const std::vector<int>& channels);
    QWidget* frontSweep_ = nullptr;
    QWidget* topSweep_ = nullptr;
    std::vector<char> markersBehind_;
    bool barsBehind_ = false;
    bool deferPathDrawing_ = false;           // a motion frame moves sources: draw them later
    double markersDueAt_ = 0, barsDueAt_ = 0; // when each drawing is due next

public:
    // Drawing rates of sources on their paths: markers at most 30 times a
    // second, the current channel's bars and labels at most 10.
    static constexpr double MarkerFrameSeconds = 1.0 / 30;
    static constexpr double BarsFrameSeconds = 0.1;
    int MarkerFrames = 0; // times moved markers were drawn
};

// The one main window of the program, while it exists.
extern TFrmPhonaraPlayer* FrmPhonaraPlayer;

// A place as a screen reader says it: "1.7 m left, 1 m up, 0 m in front".
QString PlaceInWords(const BASS_3DVECTOR& p);

// Makes the window font's family resolve to an installed Japanese P-Gothic.
void InstallFontSubstitutions();
