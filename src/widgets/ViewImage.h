// A plane view's drawing surface: holds a picture and hands its mouse events
// to the program. Pixels of the transparent colour are not painted, so the
// panel's face shows through them.
#pragma once

#include <QColor>
#include <QImage>
#include <QLine>
#include <QList>
#include <QPolygon>
#include <QWidget>
#include <functional>

class TViewImage : public QWidget {
    Q_OBJECT
public:
    explicit TViewImage(QWidget* parent = nullptr);

    QImage& Picture() { return picture_; }
    void SetPicture(const QImage& image);
    // Silver (192, 192, 192) shows the panel through it, like a transparent bitmap.
    QColor TransparentColor{192, 192, 192};

    // A dotted frame over the picture that does not touch it, drawn like a
    // focus rectangle (every other pixel inverted). An empty rectangle shows none.
    void SetBand(const QRect& band);
    QRect Band() const { return band_; }
    // A line drawn over the picture (a direction); a null line shows none.
    void SetLine(const QLine& line);
    QLine Line() const { return line_; }
    // Faint lines over the picture and behind the markers (the sources'
    // motion paths); none by default.
    void SetPaths(const QList<QPolygon>& paths);
    const QList<QPolygon>& Paths() const { return paths_; }

    std::function<void(Qt::MouseButton, Qt::KeyboardModifiers, int x, int y)> onMouseDown;
    // held: the buttons down during the move, or still down after the release.
    std::function<void(Qt::MouseButtons held, Qt::KeyboardModifiers, int x, int y)> onMouseMove;
    std::function<void(Qt::MouseButton, Qt::MouseButtons held, Qt::KeyboardModifiers, int x, int y)>
        onMouseUp;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QImage picture_;
    QImage masked_; // picture_ with the transparent colour made transparent
    QRect band_;
    QLine line_;
    QList<QPolygon> paths_;
    QImage withPaths_; // masked_ with the paths drawn on it; null without paths
    QImage shown_;     // the panel's face with withPaths_ (or masked_) over it, opaque
    void DrawPaths();
    void Compose();
};
