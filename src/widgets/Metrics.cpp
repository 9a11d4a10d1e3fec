#include "widgets/Metrics.h"

#include <QAbstractItemView>
#include <QSlider>

TFixedRowDelegate::TFixedRowDelegate(int height, QObject* parent)
    : QStyledItemDelegate(parent), height_(height) {}

QSize TFixedRowDelegate::sizeHint(const QStyleOptionViewItem& option,
                                  const QModelIndex& index) const {
    return {QStyledItemDelegate::sizeHint(option, index).width(), height_};
}

void SetItemHeight(QAbstractItemView* view, int height) {
    view->setItemDelegate(new TFixedRowDelegate(height, view));
}

// Without a base style the proxy makes its own instance of the default style,
// so the application's style object is never taken over by it.
TThumbLengthStyle::TThumbLengthStyle(int length) : length_(length) {}

int TThumbLengthStyle::pixelMetric(PixelMetric metric, const QStyleOption* option,
                                   const QWidget* widget) const {
    if (metric == PM_SliderLength)
        return length_;
    return QProxyStyle::pixelMetric(metric, option, widget);
}

void SetThumbLength(QSlider* slider, int length) {
    auto* style = new TThumbLengthStyle(length);
    style->setParent(slider); // a widget does not own the style it is given
    slider->setStyle(style);
}
