// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QRectF>
#include <QSvgRenderer>
#include <QWidget>

namespace cepstats {

// A group's picture, the writers' SVG as it is, drawn by Qt SVG as large as
// the widget allows at its own proportions. Drawn afresh at each paint, so it
// stays sharp at any size and on any screen.
class GroupPicture : public QWidget
{
    Q_OBJECT

public:
    explicit GroupPicture(QWidget *parent = nullptr);

    // Shows `svg`; an empty one clears the picture.
    void setSvg(const QByteArray &svg);
    const QByteArray &svg() const { return svg_; }
    bool isEmpty() const { return svg_.isEmpty(); }

    // Where the picture lies in the widget.
    QRectF pictureRect() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QByteArray svg_;
    QSvgRenderer renderer_;
};

} // namespace cepstats
