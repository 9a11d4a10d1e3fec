// A channel's numbered marker in a plane view: a small framed caption that
// takes no input, so presses on it reach the view underneath.
#pragma once

#include <QColor>
#include <QFont>
#include <QLabel>
#include <QPixmap>

class TMarker : public QLabel {
    Q_OBJECT
public:
    TMarker(const QString& caption, QWidget* parent);

    QColor color() const { return color_; }
    void setColor(const QColor& color);
    // Hollow: the frame and caption only, the view showing through, with the
    // colour as a line inside the frame.
    bool hollow() const { return hollow_; }
    void setHollow(bool hollow);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor color_;
    bool hollow_ = false;
    // The frame and caption as last drawn, and what they were drawn for.
    struct TLook {
        QString text;
        QRgb color;
        bool hollow;
        QSize size;
        qint64 palette;
        QFont font;
        qreal ratio;
        bool operator==(const TLook&) const = default;
    };
    QPixmap look_;
    TLook lookKey_{};
};
