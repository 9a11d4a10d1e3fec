// What screen readers hear: each control's name and description in the
// language of the moment, and the markers named by channel and position.
#include <QAccessibleWidget>
#include <QComboBox>
#include <QLocale>
#include <QPushButton>
#include <QSlider>
#include <cmath>

#include "app/PNAP.h"
#include "channels/Sources.h"
#include "widgets/Marker.h"
#include "widgets/ScrollBar.h"
#include "widgets/StringGrid.h"
#include "widgets/ViewImage.h"

namespace {

// A coordinate as the user's locale writes numbers, to the editor's 0.05 steps.
QString Coordinate(float value) {
    const double rounded = std::round(static_cast<double>(value) * 100) / 100;
    return QLocale().toString(rounded == 0 ? 0.0 : rounded, 'g', 6);
}

// A marker reads as its channel and where the channel stands now.
class TMarkerAccessible : public QAccessibleWidget {
public:
    explicit TMarkerAccessible(TMarker* marker)
        : QAccessibleWidget(marker, QAccessible::StaticText) {}
    QString text(QAccessible::Text t) const override {
        const int n = static_cast<TMarker*>(widget())->text().toInt();
        if (n < 1 || n > ChannelCount || (t != QAccessible::Name && t != QAccessible::Description))
            return QAccessibleWidget::text(t);
        if (t == QAccessible::Description)
            return TFrmPhonaraPlayer::tr("ドラッグして音源を動かします");
        const auto& p = Sources[n].Position;
        return TFrmPhonaraPlayer::tr("チャンネル %1, X %2, Y %3, Z %4")
            .arg(n)
            .arg(Coordinate(p.x), Coordinate(p.y), Coordinate(p.z));
    }
};

QAccessibleInterface* MarkerAccessibleFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("TMarker") && object && object->isWidgetType())
        return new TMarkerAccessible(static_cast<TMarker*>(object));
    return nullptr;
}

void Describe(QWidget* control, const QString& name, const QString& description) {
    control->setAccessibleName(name);
    control->setAccessibleDescription(description);
}

} // namespace

void TFrmPhonaraPlayer::DescribeControls() {
    static const bool markersReadable =
        (QAccessible::installFactory(MarkerAccessibleFactory), true);
    (void)markersReadable;
    StringGrid1->rowSelected = [this](int row) { return IsChannelSelected(row); };

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
}
