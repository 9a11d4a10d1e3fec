// The place of one channel typed as numbers: X, Y and Z in metres, or
// azimuth, elevation (degrees) and distance (metres) around the listener, in
// the OSC remote's "aed" convention. Each field updates the others; Enter
// takes the place.
#pragma once

#include <QDialog>

#include "spatial/PolarPlace.h"

class QDoubleSpinBox;

class TPositionDialog : public QDialog {
    Q_OBJECT
public:
    // half: the editor's box, metres each way from the listener.
    TPositionDialog(int channel, const QString& file, const coords::TPlace& place, double half,
                    QWidget* parent = nullptr);

    coords::TPlace place() const;

    QDoubleSpinBox* XBox = nullptr;
    QDoubleSpinBox* YBox = nullptr;
    QDoubleSpinBox* ZBox = nullptr;
    QDoubleSpinBox* AzimuthBox = nullptr;
    QDoubleSpinBox* ElevationBox = nullptr;
    QDoubleSpinBox* DistanceBox = nullptr;

private:
    void fromXyz();
    void fromPolar();
    bool updating_ = false;
    double half_;
};
