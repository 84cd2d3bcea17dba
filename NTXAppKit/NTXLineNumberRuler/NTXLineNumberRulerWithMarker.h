#pragma once
// A line-number ruler on which a click adds a marker to the line under it or removes
// the one there, while the ruler is editable (it is after construction; a decoded
// one is not until setEditable(true)). Its markers show a blue tab pointing at the
// text: the marker image, rule thickness × 13 points, made on first use and redrawn
// at the new size when the thickness changes.
//
// Ownership and threads as NTXLineNumberRuler; the editable flag is not archived.
#include "NTXAppKit/NTXLineNumberRuler/NTXLineNumberRuler.h"

#include <QImage>

class NTXLineNumberRulerWithMarker : public NTXLineNumberRuler
{
    Q_OBJECT
public:
    static constexpr qreal MarkerImageHeight = 13;
    static constexpr qreal MarkerImageOriginY = 6.5;

    explicit NTXLineNumberRulerWithMarker(QAbstractScrollArea *scrollView, QWidget *parent = nullptr);
    static NTXLineNumberRulerWithMarker *fromCoder(platform::Coder &coder, QWidget *parent = nullptr);
    ~NTXLineNumberRulerWithMarker() override;

    void setRuleThickness(qreal thickness) override;

    // The first call makes the image at the size; later ones answer it as it is.
    QImage markerImageWithSize(const QSizeF &size);
    // Draws the marker shape into the image, in y-up coordinates of its size.
    void drawMarkerImageIntoRep(QImage &image) const;

    // A marker on the 1-based line unless it has one.
    void addMarkerWithLineNumber(quint64 line);
    // Only a marker on that line is left.
    void addSingleMarkerWithLineNumber(quint64 line);

    bool isEditable() const { return m_editable; }
    void setEditable(bool editable) { m_editable = editable; }

protected:
    void mousePressEvent(QMouseEvent *event) override;

private:
    using NTXLineNumberRuler::NTXLineNumberRuler;
    QImage renderedMarkerImage(const QSizeF &size) const;
    std::shared_ptr<NTXLineNumberRulerMarker> newMarker(quint64 line);

    QImage m_markerImage;
    bool m_editable = false;
};
