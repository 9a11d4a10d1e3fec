#include "spatial/PositionDialog.h"

#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <cmath>

#include "widgets/AccessibleNames.h"

namespace {

QDoubleSpinBox* Field(double low, double high, double step, int decimals, const QString& suffix,
                      QWidget* parent) {
    auto* box = new QDoubleSpinBox(parent);
    box->setRange(low, high);
    box->setSingleStep(step);
    box->setDecimals(decimals);
    box->setSuffix(suffix);
    box->setKeyboardTracking(true);
    return box;
}

} // namespace

TPositionDialog::TPositionDialog(int channel, const QString& file, const coords::TPlace& place,
                                 double half, QWidget* parent)
    : QDialog(parent), half_(half) {
    setWindowTitle(tr("位置"));
    auto* form = new QFormLayout(this);
    form->addRow(new QLabel(tr("チャンネル %1: %2").arg(channel).arg(file), this));
    XBox = Field(-half, half, 0.05, 2, QStringLiteral(" m"), this);
    YBox = Field(-half, half, 0.05, 2, QStringLiteral(" m"), this);
    ZBox = Field(-half, half, 0.05, 2, QStringLiteral(" m"), this);
    const double far = std::sqrt(3.0) * half;
    AzimuthBox = Field(-180, 180, 5, 1, QStringLiteral("°"), this);
    AzimuthBox->setWrapping(true);
    ElevationBox = Field(-90, 90, 5, 1, QStringLiteral("°"), this);
    DistanceBox = Field(0, std::ceil(far * 100) / 100, 0.05, 2, QStringLiteral(" m"), this);
    form->addRow(tr("X (右が正)(&X):"), XBox);
    form->addRow(tr("Y (上が正)(&Y):"), YBox);
    form->addRow(tr("Z (前が正)(&Z):"), ZBox);
    form->addRow(tr("方位角 (左が正)(&A):"), AzimuthBox);
    form->addRow(tr("仰角 (上が正)(&E):"), ElevationBox);
    form->addRow(tr("距離(&D):"), DistanceBox);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText(tr("キャンセル"));
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    XBox->setValue(place.X);
    YBox->setValue(place.Y);
    ZBox->setValue(place.Z);
    fromXyz();
    for (QDoubleSpinBox* box : {XBox, YBox, ZBox})
        connect(box, &QDoubleSpinBox::valueChanged, this, [this] { fromXyz(); });
    for (QDoubleSpinBox* box : {AzimuthBox, ElevationBox, DistanceBox})
        connect(box, &QDoubleSpinBox::valueChanged, this, [this] { fromPolar(); });
    NameControls(this);
}

coords::TPlace TPositionDialog::place() const {
    return {XBox->value(), YBox->value(), ZBox->value()};
}

void TPositionDialog::fromXyz() {
    if (updating_)
        return;
    updating_ = true;
    const coords::TPolar polar = coords::PolarOf(place());
    AzimuthBox->setValue(polar.Azimuth);
    ElevationBox->setValue(polar.Elevation);
    DistanceBox->setValue(polar.Distance);
    updating_ = false;
}

void TPositionDialog::fromPolar() {
    if (updating_)
        return;
    updating_ = true;
    const coords::TPlace p = coords::Clamped(
        coords::PlaceOf({AzimuthBox->value(), ElevationBox->value(), DistanceBox->value()}), half_);
    XBox->setValue(p.X);
    YBox->setValue(p.Y);
    ZBox->setValue(p.Z);
    updating_ = false;
}
