// What screen readers hear: each control's name and description in the
// language of the moment, the views as lists of the loaded channels, and
// places in words and metres.
#include <QAccessibleValueInterface>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QLocale>
#include <QPushButton>
#include <QSlider>
#include <cmath>

#include "app/PNAP.h"
#include "channels/Sources.h"
#include "playlist/PathRules.h"
#include "spatial/Spatial.h"
#include "widgets/AccessibleNames.h"
#include "widgets/Marker.h"
#include "widgets/ScrollBar.h"
#include "widgets/StringGrid.h"
#include "widgets/ViewImage.h"

namespace {

// Metres as the user's locale writes numbers, to the editor's 0.05 steps.
QString Metres(double value) {
    const double rounded = std::round(std::fabs(value) * 100) / 100;
    return QLocale().toString(rounded, 'g', 6);
}

// A marker reads as its channel and file; its value is where it stands.
class TMarkerAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit TMarkerAccessible(TMarker* marker)
        : QAccessibleWidget(marker, QAccessible::ListItem) {}
    // As a number, the value is the distance from the listener in metres
    // (readers that only read numbers hear that a move happened, and how far).
    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QVariant currentValue() const override {
        const int n = channel();
        if (n < 1 || n > ChannelCount)
            return 0.0;
        const auto& p = Sources[n].Position;
        return std::round(std::sqrt(double(p.x) * p.x + double(p.y) * p.y + double(p.z) * p.z) *
                          100) /
               100;
    }
    void setCurrentValue(const QVariant&) override {}
    QVariant maximumValue() const override { return std::sqrt(3.0) * 2.5; }
    QVariant minimumValue() const override { return 0.0; }
    QVariant minimumStepSize() const override { return 0.05; }
    int channel() const { return static_cast<TMarker*>(widget())->text().toInt(); }
    QString text(QAccessible::Text t) const override {
        const int n = channel();
        if (n < 1 || n > ChannelCount)
            return QAccessibleWidget::text(t);
        switch (t) {
        case QAccessible::Name:
            return TFrmPhonaraPlayer::tr("チャンネル %1, %2")
                .arg(n)
                .arg(QString::fromStdString(FileNameOfPath(Sources[n].FileName)));
        case QAccessible::Value:
            return PlaceInWords(Sources[n].Position);
        case QAccessible::Description:
            return TFrmPhonaraPlayer::tr("%1。ドラッグして音源を動かします")
                .arg(PlaceInWords(Sources[n].Position));
        default:
            return QAccessibleWidget::text(t);
        }
    }
};

// A plane view reads as one list: the markers of the loaded channels, in
// channel order. Empty channels' markers (hidden) and the direction captions
// are left out; the view's own name and description are the list's.
class TViewPanelAccessible : public QAccessibleWidget {
public:
    explicit TViewPanelAccessible(QWidget* panel) : QAccessibleWidget(panel, QAccessible::List) {}
    std::vector<TMarker*> markers() const {
        std::vector<TMarker*> shown;
        const auto& table = widget() == FrmPhonaraPlayer->Panel1 ? FrontMarkers : TopMarkers;
        for (int n = 1; n <= ChannelCount; ++n)
            if (table[n] && Sources[n].Loaded && !table[n]->isHidden())
                shown.push_back(table[n]);
        return shown;
    }
    TViewImage* image() const {
        return widget() == FrmPhonaraPlayer->Panel1 ? FrmPhonaraPlayer->Image1
                                                    : FrmPhonaraPlayer->Image2;
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name)
            return image()->accessibleName();
        if (t == QAccessible::Description)
            return image()->accessibleDescription();
        return QAccessibleWidget::text(t);
    }
    int childCount() const override { return static_cast<int>(markers().size()); }
    QAccessibleInterface* child(int index) const override {
        const auto shown = markers();
        if (index < 0 || index >= static_cast<int>(shown.size()))
            return nullptr;
        return QAccessible::queryAccessibleInterface(shown[static_cast<size_t>(index)]);
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        const auto shown = markers();
        for (size_t i = 0; i < shown.size(); ++i)
            if (child && child->object() == shown[i])
                return static_cast<int>(i);
        return -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        for (TMarker* m : markers())
            if (QRect(m->mapToGlobal(QPoint(0, 0)), m->size()).contains(x, y))
                return QAccessible::queryAccessibleInterface(m);
        return nullptr;
    }
};

const char* const ViewPanel = "phonaraViewPanel";

QAccessibleInterface* SpatialAccessibleFactory(const QString& className, QObject* object) {
    if (!object || !object->isWidgetType())
        return nullptr;
    if (className == QLatin1String("TMarker"))
        return new TMarkerAccessible(static_cast<TMarker*>(object));
    if (className == QLatin1String("QFrame") && object->property(ViewPanel).toBool() &&
        FrmPhonaraPlayer)
        return new TViewPanelAccessible(static_cast<QWidget*>(object));
    return nullptr;
}

void Describe(QWidget* control, const QString& name, const QString& description) {
    control->setAccessibleName(name);
    control->setAccessibleDescription(description);
}

} // namespace

QString PlaceInWords(const BASS_3DVECTOR& p) {
    const QString x = p.x < 0 ? TFrmPhonaraPlayer::tr("左 %1 m").arg(Metres(p.x))
                              : TFrmPhonaraPlayer::tr("右 %1 m").arg(Metres(p.x));
    const QString y = p.y < 0 ? TFrmPhonaraPlayer::tr("下 %1 m").arg(Metres(p.y))
                              : TFrmPhonaraPlayer::tr("上 %1 m").arg(Metres(p.y));
    const QString z = p.z < 0 ? TFrmPhonaraPlayer::tr("後ろ %1 m").arg(Metres(p.z))
                              : TFrmPhonaraPlayer::tr("前 %1 m").arg(Metres(p.z));
    return TFrmPhonaraPlayer::tr("%1、%2、%3").arg(x, y, z);
}

void TFrmPhonaraPlayer::AnnouncePlace(int n) {
    if (n < 1 || n > ChannelCount || !Sources[n].Loaded)
        return;
    for (TMarker* marker : {FrontMarkers[n], TopMarkers[n]}) {
        AnnounceValue(marker, PlaceInWords(Sources[n].Position));
        // The words are in the description too, for readers that say it.
        if (QAccessible::isActive()) {
            QAccessibleEvent changed(marker, QAccessible::DescriptionChanged);
            QAccessible::updateAccessibility(&changed);
        }
    }
}

void TFrmPhonaraPlayer::DescribeControls() {
    static const bool markersReadable =
        (QAccessible::installFactory(SpatialAccessibleFactory), true);
    (void)markersReadable;
    Panel1->setProperty(ViewPanel, true);
    Panel2->setProperty(ViewPanel, true);
    StringGrid1->rowSelected = [this](int row) { return IsChannelSelected(row); };
    // Walking the rows reads the files; each file cell tells its kind and state.
    StringGrid1->accessibleColumn = 3;
    StringGrid1->cellDescription = [this](int col, int row) {
        if (col != 3 || row < 1 || row > ChannelCount || !Sources[row].Loaded)
            return QString();
        return tr("%1, %2").arg(StringGrid1->cell(1, row).trimmed(),
                                StringGrid1->cell(2, row).trimmed());
    };
    // The bars say where the current channel stands, in metres, upside up.
    const auto axis = [](TScrollBar* bar, double sign, auto words) {
        bar->accessibleValue = [sign](int step) {
            return sign * step * double(UnitsPerStep) + 0.0; // no "-0"
        };
        bar->accessibleValueText = [sign, words](int step) {
            return words(sign * step * double(UnitsPerStep));
        };
        bar->accessibleMinimum = bar->minimum() * double(UnitsPerStep);
        bar->accessibleMaximum = bar->maximum() * double(UnitsPerStep);
        bar->accessibleStep = double(UnitsPerStep);
    };
    const auto xWords = [](double v) {
        return v < 0 ? tr("左 %1 m").arg(Metres(v)) : tr("右 %1 m").arg(Metres(v));
    };
    axis(ScrollBarX, 1, xWords);
    axis(ScrollBarX2, 1, xWords);
    axis(ScrollBarY, -1, [](double v) {
        return v < 0 ? tr("下 %1 m").arg(Metres(v)) : tr("上 %1 m").arg(Metres(v));
    });
    axis(ScrollBarZ, -1, [](double v) {
        return v < 0 ? tr("後ろ %1 m").arg(Metres(v)) : tr("前 %1 m").arg(Metres(v));
    });

    Describe(ScrollBarX, tr("X (左右)"), tr("選択したチャンネルの左右の位置"));
    Describe(ScrollBarY, tr("Y (上下)"), tr("選択したチャンネルの上下の位置"));
    Describe(ScrollBarZ, tr("Z (前後)"), tr("選択したチャンネルの前後の位置"));
    Describe(ScrollBarX2, tr("X (左右、上面図)"), tr("選択したチャンネルの左右の位置"));
    Describe(Image1, tr("正面図 (X-Y)"),
             tr("聞き手の正面から見た音源。マーカーをドラッグするか、囲んで選択します"));
    Describe(Image2, tr("上面図 (X-Z)"),
             tr("上から見た音源。マーカーをドラッグするか、囲んで選択します"));
    Describe(StringGrid1, tr("チャンネル一覧"),
             tr("32 のチャンネルの種類、状態、ファイル名。上下の矢印キーで移動します"));
    Describe(TrackBar1, tr("残響"), tr("すべてのチャンネルの残響の量"));
    Describe(ComboBox1, tr("EAX 環境"),
             tr("部屋の響き。出力装置が EAX に対応しているときに選べます"));
    for (QPushButton* button : {OpenButton, SaveButton, LoadButton, RemoveButton, LoopButton,
                                PlayButton, PauseButton, StopButton})
        button->setAccessibleDescription(button->toolTip());
    // Every caption's name, without its mnemonic.
    NameControls(this);
}
