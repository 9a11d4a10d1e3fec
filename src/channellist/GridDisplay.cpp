// The channel grid's drawing, and the refresh that rides on it: marker
// colours, the File column's width and which commands are enabled. Also the
// current row, which is the spatial editor's current channel.
#include <QAction>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <algorithm>

#include "app/PNAP.h"
#include "audiolib.h"
#include "channellist/ChannelGrid.h"
#include "channellist/GridRules.h"
#include "channels/Sources.h"
#include "spatial/Coordinates.h"
#include "spatial/Markers.h"
#include "spatial/Spatial.h"
#include "widgets/Marker.h"
#include "widgets/ScrollBar.h"
#include "widgets/StringGrid.h"

namespace {

bool Playing(int n) {
    // Only loaded slots are asked: an empty slot's handle may be stale.
    return Sources[n].Loaded && BASS_ChannelIsActive(Sources[n].Handle) == BASS_ACTIVE_PLAYING;
}

QColor ToColour(TGridColour c, const QPalette& pal) {
    switch (c) {
    case TGridColour::Grid:
        return pal.color(QPalette::Base);
    case TGridColour::GridText:
        return pal.color(QPalette::Text);
    case TGridColour::Highlight:
        return pal.color(QPalette::Highlight);
    case TGridColour::HighlightText:
        return pal.color(QPalette::HighlightedText);
    case TGridColour::Red:
        return QColor(255, 0, 0);
    case TGridColour::Yellow:
        return QColor(255, 255, 0);
    case TGridColour::White:
        break;
    }
    return QColor(255, 255, 255);
}

// A focused control that Qt disables hands the focus on to the next control
// in the tab chain, which would then take the keys and the wheel the user
// meant for the button (the reverb bar after Remove, say). The window itself
// keeps it instead, until the user picks a control.
void SetCommandEnabled(QWidget* control, bool enabled) {
    if (!enabled && control->hasFocus())
        control->window()->setFocus(Qt::OtherFocusReason);
    control->setEnabled(enabled);
}

void DrawCellText(QPainter& canvas, const QRect& rect, int dy, const QString& text,
                  const QColor& background, const QColor& colour) {
    const QFontMetrics fm(canvas.font());
    const QRect textRect(rect.left() + 2, rect.top() + dy, fm.horizontalAdvance(text), fm.height());
    // The text may run over into the next cell, which then covers it; the
    // grid's own clip keeps it off the fixed column.
    canvas.fillRect(textRect, background);
    canvas.setPen(colour);
    canvas.drawText(textRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
}

} // namespace

void TFrmPhonaraPlayer::StringGrid1DrawCell(QPainter& canvas, int col, int row, const QRect& rect) {
    const QPalette& pal = StringGrid1->palette();
    const QString text = StringGrid1->cell(col, row);
    if (col == 0 || row == 0) {
        canvas.fillRect(rect, pal.color(QPalette::Button));
        DrawCellText(canvas, rect, 0, text, pal.color(QPalette::Button), pal.color(QPalette::Text));
    } else {
        const TRowColours colours = ChannelRowColours(IsChannelSelected(row), Playing(row));
        const QColor background = ToColour(colours.background, pal);
        canvas.fillRect(rect, background);
        DrawCellText(canvas, rect, 1, text, background, ToColour(colours.text, pal));
        if (row == StringGrid1->row() && col == StringGrid1->colCount() - 1) {
            // A frame around the whole data part of the current row.
            const int left = StringGrid1->colWidth(0) + StringGrid1->gridLineWidth();
            QPen pen(ToColour(colours.text, pal), 1, Qt::DotLine);
            canvas.setPen(pen);
            canvas.setBrush(Qt::NoBrush);
            canvas.drawRect(QRect(QPoint(left, rect.top()), QPoint(rect.right(), rect.bottom())));
        }
    }
    if (col == 1)
        RefreshFromGrid();
}

void TFrmPhonaraPlayer::RefreshFromGrid() {
    const QPalette& pal = StringGrid1->palette();
    std::array<TSlotState, ChannelCount> slotStates{};
    std::array<int, ChannelCount> names{};
    for (int n = 1; n <= ChannelCount; ++n) {
        const bool selected = IsChannelSelected(n);
        const bool loaded = Sources[n].Loaded;
        const QColor colour = ToColour(MarkerColour(selected, loaded, Playing(n)), pal);
        FrontMarkers[n]->setColor(colour);
        TopMarkers[n]->setColor(colour);
        ShowChannelLevel(n);
        slotStates[static_cast<size_t>(n - 1)] = {loaded, selected};
        names[static_cast<size_t>(n - 1)] = NameWidth[n];
    }
    const int width = FileColumnWidth(StringGrid1->clientWidth(), StringGrid1->colWidth(0),
                                      StringGrid1->colWidth(1), StringGrid1->colWidth(2),
                                      StringGrid1->gridLineWidth(), names);
    if (StringGrid1->colWidth(3) != width)
        StringGrid1->setColWidth(3, width);

    const TCommandStates states = CommandStates(slotStates);
    MenuOpenFile->menuAction()->setEnabled(states.fileCommands);
    ExportAction->setEnabled(!ExportRunning &&
                             std::any_of(slotStates.begin(), slotStates.end(),
                                         [](const TSlotState& s) { return s.loaded; }));
    SetCommandEnabled(LoadButton, states.fileCommands);
    for (QPushButton* b : {RemoveButton, LoopButton, PlayButton, PauseButton, StopButton})
        SetCommandEnabled(b, states.channelCommands);
}

void TFrmPhonaraPlayer::StringGrid1SelectCell(int, int row, bool&) {
    if (row < 1 || row > ChannelCount)
        return;
    RaiseChannelMarkers(row);
    LastPosition = Sources[row].Position;
    // The bars show the channel's steps; their change handlers only update
    // the labels while UpdatingBars is set.
    UpdatingBars = true;
    ScrollBarX->setPosition(coords::XToStep(LastPosition.x, UnitsPerStep));
    ScrollBarY->setPosition(coords::YZToStep(LastPosition.y, UnitsPerStep));
    ScrollBarZ->setPosition(coords::YZToStep(LastPosition.z, UnitsPerStep));
    UpdatingBars = false;
}
