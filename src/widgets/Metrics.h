// Fixed item heights and thumb lengths for the standard item views and the
// slider, which Qt otherwise takes from the style and the font.
#pragma once

#include <QProxyStyle>
#include <QStyledItemDelegate>

class QAbstractItemView;
class QSlider;

// Every row of an item view exactly `height` pixels high.
class TFixedRowDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    TFixedRowDelegate(int height, QObject* parent);
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    int height_;
};

void SetItemHeight(QAbstractItemView* view, int height);

// The slider's thumb `length` pixels long along its groove; everything else
// as the application's style draws it.
class TThumbLengthStyle : public QProxyStyle {
    Q_OBJECT
public:
    explicit TThumbLengthStyle(int length);
    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override;

private:
    int length_;
};

void SetThumbLength(QSlider* slider, int length);
