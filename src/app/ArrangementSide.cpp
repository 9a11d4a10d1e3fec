// The window's side of the arrangement's one way of change: how each field is
// read and written (the only place that writes them), and how the views,
// the grid and the auto-save follow every change, whoever asked for it.
#include <QComboBox>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>
#include <QTimer>
#include <array>

#include "app/Language.h"
#include "app/PNAP.h"
#include "audio/ErrorReasons.h"
#include "channels/ChannelLevels.h"
#include "channels/Placing.h"
#include "channels/Sources.h"
#include "effects/Environments.h"
#include "effects/Reverb.h"
#include "spatial/Coordinates.h"
#include "spatial/Markers.h"
#include "spatial/Spatial.h"
#include "widgets/ScrollBar.h"
#include "widgets/StringGrid.h"

void TFrmPhonaraPlayer::BuildArrangement() {
    Arrangement.Read = [this](TField field, int n) -> TFieldValue {
        switch (field) {
        case TField::File:
            return Sources[n].Loaded ? Sources[n].FileName : std::string();
        case TField::Place:
            return Sources[n].Position;
        case TField::Path:
            // As set: a file loaded since takes it away by a change of its own.
            return motionPlayer_.StoredPath(n);
        case TField::Gain:
            return ChannelLevels[n].Gain;
        case TField::Mute:
            return ChannelLevels[n].Muted;
        case TField::ReverbLevel:
            return appliedReverbLevel_;
        case TField::Environment:
            break;
        }
        return appliedEnvironment_;
    };
    Arrangement.Write = [this](const TChangeRequest& r) { return WriteField(r); };
    Arrangement.Observe([this](const TChange& c) { ShowChange(c); });
}

std::optional<std::string> TFrmPhonaraPlayer::WriteField(const TChangeRequest& r) {
    const int n = r.Channel;
    switch (r.Field) {
    case TField::File: {
        const std::string& path = std::get<std::string>(r.Value);
        const bool hadPath = motionPlayer_.StoredPath(n) != nullptr;
        if (path.empty()) {
            if (Sources[n].Loaded)
                FreeSlot(n);
        } else if (!LoadChannelFile(n, path)) {
            const int code =
                LoadFailures.empty() ? BASS_ErrorGetCode() : LoadFailures.back().second;
            // A controller is answered in words; the window's batch report
            // is not about its loads.
            if (r.Origin == TOrigin::Controller && !LoadFailures.empty())
                LoadFailures.pop_back();
            return BassErrorReason(code, Translated);
        }
        // A path goes with its file: the next file of the slot starts without.
        if (hadPath)
            Arrangement.Path(n, nullptr, r.Origin);
        return std::nullopt;
    }
    case TField::Place:
        PlaceSource(n, std::get<BASS_3DVECTOR>(r.Value), r.Pan);
        return std::nullopt;
    case TField::Path: {
        const TPathRef& path = std::get<TPathRef>(r.Value);
        if (path && !Sources[n].Loaded)
            return tr("チャンネル %1 は空です").arg(n).toStdString();
        motionPlayer_.SetPath(n, path, Sources[n].Loaded ? Sources[n].Handle : 0);
        RefreshMotion();
        return std::nullopt;
    }
    case TField::Gain:
        ChannelLevels[n].Gain = std::get<float>(r.Value);
        ApplyChannelLevel(n);
        return std::nullopt;
    case TField::Mute:
        ChannelLevels[n].Muted = std::get<bool>(r.Value);
        ApplyChannelLevel(n);
        return std::nullopt;
    case TField::ReverbLevel: {
        const int level = std::get<int>(r.Value);
        appliedReverbLevel_ = level;
        ReverbParameters.reverbMix = ReverbMixOfLevel(level);
        for (int m = 1; m <= ChannelCount; ++m) {
            const TSource& slot = Sources[m];
            // A channel whose effect the library refused has nothing to set.
            if (slot.Loaded && slot.FxHandle != 0)
                BASS_FXSetParameters(slot.FxHandle, &ReverbParameters);
        }
        return std::nullopt;
    }
    case TField::Environment: {
        appliedEnvironment_ = std::get<int>(r.Value);
        // Empty slots are included: the library refuses their stale handles.
        std::array<DWORD, ChannelCount> handles{};
        for (int m = 1; m <= ChannelCount; ++m)
            handles[static_cast<size_t>(m - 1)] = Sources[m].Handle;
        ApplyEnvironment(appliedEnvironment_, handles);
        return std::nullopt;
    }
    }
    return std::nullopt;
}

void TFrmPhonaraPlayer::ShowChange(const TChange& c) {
    // Unchanged since the start-up restore or the last save no more.
    if (c.Origin != TOrigin::Startup)
        autoSaveClean_ = false;
    const int n = c.Channel;
    switch (c.Field) {
    case TField::Place: {
        // A drag's markers and the bars' own moves are drawn by the gesture,
        // to the pixel; everything else is drawn here.
        if (c.Shown)
            return;
        if (deferPathDrawing_ && c.Origin == TOrigin::PathPlayback) {
            markersBehind_.resize(ChannelCount + 1, 0);
            markersBehind_[n] = 1;
            if (n == StringGrid1->row())
                barsBehind_ = true;
            return;
        }
        if (n < static_cast<int>(markersBehind_.size()))
            markersBehind_[n] = 0;
        const auto& p = std::get<BASS_3DVECTOR>(c.After);
        PlaceChannelMarkers(n, p);
        if (n != StringGrid1->row())
            return;
        // The bars and labels follow the current channel, as while dragging.
        LastPosition = p;
        UpdatingBars = true;
        ScrollBarX->setPosition(coords::XToStep(p.x, UnitsPerStep));
        ScrollBarY->setPosition(coords::YZToStep(p.y, UnitsPerStep));
        ScrollBarZ->setPosition(coords::YZToStep(p.z, UnitsPerStep));
        UpdatingBars = false;
        return;
    }
    case TField::File:
        if (Sources[n].Loaded)
            PlaceChannelMarkers(n, Sources[n].Position);
        // Once for a whole batch: the grid's drawing recolours the markers.
        if (!gridRepaintDue_) {
            gridRepaintDue_ = true;
            QTimer::singleShot(0, this, [this] {
                gridRepaintDue_ = false;
                RepaintGrid();
            });
        }
        return;
    case TField::Path:
        shownPaths_.clear(); // the same place may hold another path now
        ShowMotionPaths();
        return;
    case TField::Gain:
        return;
    case TField::Mute:
        ShowChannelLevel(n);
        return;
    case TField::ReverbLevel: {
        const int level = std::get<int>(c.After);
        if (TrackBar1->value() != level) {
            const QSignalBlocker quiet(TrackBar1);
            TrackBar1->setValue(level);
        }
        Label5->setText(QString::number(level));
        return;
    }
    case TField::Environment: {
        const int index = std::get<int>(c.After);
        if (ComboBox1->currentIndex() != index) {
            const QSignalBlocker quiet(ComboBox1);
            ComboBox1->setCurrentIndex(index);
        }
        return;
    }
    }
}
