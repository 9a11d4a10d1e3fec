#include "spatial/Markers.h"

#include <algorithm>

#include "app/PNAP.h"
#include "spatial/Coordinates.h"
#include "spatial/Spatial.h"
#include "widgets/Marker.h"

void PlaceChannelMarkers(int n, const BASS_3DVECTOR& p) {
    const int left = coords::XToPixel(p.x, UnitsPerStep, PixelsPerStep, MarkerHalfWidth);
    // A remote controller moves every channel up to 60 times a second, mostly
    // by less than a pixel: a move to where the marker is costs Qt a geometry
    // round all the same, so it is left out.
    const auto moveTo = [](auto* marker, int x, int y) {
        if (marker->x() != x || marker->y() != y)
            marker->move(x, y);
    };
    moveTo(FrontMarkers[n], left,
           coords::YZToPixel(p.y, UnitsPerStep, PixelsPerStep, MarkerHalfHeight));
    moveTo(TopMarkers[n], left,
           coords::YZToPixel(p.z, UnitsPerStep, PixelsPerStep, MarkerHalfHeight));
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
