#include "spatial/Markers.h"

#include <algorithm>

#include "app/PNAP.h"
#include "spatial/Coordinates.h"
#include "spatial/Spatial.h"
#include "widgets/Marker.h"

namespace {

// The top-left corners of a marker showing p in the front (X-Y) and the top
// (X-Z) view.
QPoint FrontCorner(const BASS_3DVECTOR& p) {
    return {coords::XToPixel(p.x, UnitsPerStep, PixelsPerStep, MarkerHalfWidth),
            coords::YZToPixel(p.y, UnitsPerStep, PixelsPerStep, MarkerHalfHeight)};
}

QPoint TopCorner(const BASS_3DVECTOR& p) {
    return {coords::XToPixel(p.x, UnitsPerStep, PixelsPerStep, MarkerHalfWidth),
            coords::YZToPixel(p.z, UnitsPerStep, PixelsPerStep, MarkerHalfHeight)};
}

} // namespace

void PlaceChannelMarkers(int n, const BASS_3DVECTOR& p) {
    // A remote controller moves every channel up to 60 times a second, mostly
    // by less than a pixel: a move to where the marker is costs Qt a geometry
    // round all the same, so it is left out.
    const auto moveTo = [](TMarker* marker, const QPoint& corner) {
        if (marker->pos() != corner)
            marker->move(corner);
    };
    moveTo(FrontMarkers[n], FrontCorner(p));
    moveTo(TopMarkers[n], TopCorner(p));
}

void TFrmPhonaraPlayer::PlaceMarkersTogether(const std::vector<int>& channels) {
    if (channels.size() < 2) {
        for (int n : channels)
            PlaceChannelMarkers(n, Sources[n].Position);
        return;
    }
    // Qt accounts for each move by the areas the marker leaves and enters,
    // added to the window's region to repaint: with 32 markers moving in a
    // view that region grows to a hundred pieces, which every later move and
    // every widget painted works through again. The sweep of each view, grown
    // first over where its markers are and are going, makes that one
    // rectangle: the moves inside it find their areas invalid already, and
    // the view repaints it in one piece. Shrunk to nothing again before
    // anything is painted, the sweep itself is never seen.
    QRect front, top;
    for (int n : channels) {
        const BASS_3DVECTOR& p = Sources[n].Position;
        front |= FrontMarkers[n]->geometry() | QRect(FrontCorner(p), FrontMarkers[n]->size());
        top |= TopMarkers[n]->geometry() | QRect(TopCorner(p), TopMarkers[n]->size());
    }
    frontSweep_->setGeometry(front);
    topSweep_->setGeometry(top);
    for (int n : channels)
        PlaceChannelMarkers(n, Sources[n].Position);
    frontSweep_->resize(0, 0);
    topSweep_->resize(0, 0);
}

void RaiseChannelMarkers(int n) {
    FrontMarkers[n]->raise();
    TopMarkers[n]->raise();
    auto it = std::find(MarkerOrder.begin(), MarkerOrder.end(), n);
    if (it != MarkerOrder.end())
        MarkerOrder.erase(it);
    MarkerOrder.insert(MarkerOrder.begin(), n);
}

std::vector<int> RaiseSelectedInOrder(std::vector<int>& order,
                                      const std::function<bool(int)>& raise) {
    // Walk from the back; an entry that moves to the head lets the next one
    // shift into its index, which is visited next.
    std::vector<int> raised;
    size_t i = order.size();
    for (size_t visited = 0; visited < order.size() && i > 0; ++visited) {
        const int n = order[i - 1];
        if (raise(n)) {
            order.erase(order.begin() + static_cast<std::ptrdiff_t>(i - 1));
            order.insert(order.begin(), n);
            raised.push_back(n);
        } else {
            --i;
        }
    }
    return raised;
}

void TFrmPhonaraPlayer::CreateMarkers() {
    // No face, no input, no size but while markers move together.
    for (QWidget** sweep : {&frontSweep_, &topSweep_}) {
        *sweep = new QWidget(sweep == &frontSweep_ ? Panel1 : Panel2);
        (*sweep)->setAttribute(Qt::WA_TransparentForMouseEvents);
        (*sweep)->setAttribute(Qt::WA_NoSystemBackground);
        (*sweep)->setFocusPolicy(Qt::NoFocus);
        (*sweep)->setGeometry(0, 0, 0, 0);
    }
    MarkerOrder.clear();
    for (int n = 1; n <= ChannelCount; ++n) {
        MarkerOrder.insert(MarkerOrder.begin(), n);
        const QString caption = QString::asprintf("%.2d", n);
        FrontMarkers[n] = new TMarker(caption, Panel1);
        TopMarkers[n] = new TMarker(caption, Panel2);
        // Each new front-view marker goes behind the others (but stays above
        // the view itself), so "01" starts on top there while "32" starts on
        // top in the top view.
        if (n > 1)
            FrontMarkers[n]->stackUnder(FrontMarkers[n - 1]);
    }
    MarkerHalfWidth = FrontMarkers[1]->width() / 2;
    MarkerHalfHeight = FrontMarkers[1]->height() / 2;
    for (int n = ChannelCount; n >= 1; --n) {
        for (TMarker* m : {FrontMarkers[n], TopMarkers[n]})
            m->move(ViewCentre - MarkerHalfWidth, ViewCentre - MarkerHalfHeight);
    }
}
