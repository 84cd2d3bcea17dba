#pragma once
// The play/pause overlay of a movie item: a round button in the middle and, while
// the movie plays, a dark disc around it with a ring that shows how far the movie
// has played (from the top, clockwise). Its movie is the movie of its superlayer
// when that is a platform::MovieLayer, else none (a movie without rate: a click
// expands and the first tick collapses again).
//
// "indicatorScale" (0 collapsed, 1 expanded) animates on the layer tree's clock when
// the overlay expands or collapses (a plain change of it runs no implicit action);
// "indicatorValue" is the played fraction. While the overlay is shown a 0.1 s
// QTimer reads the movie's progress; hiding the overlay stops the timer, showing it
// starts it. A time that cannot be converted to seconds, or a duration of no
// length, leaves the value as it was.
//
// Owns its button layer and its timer. The button's action refers to the overlay
// without keeping it alive. Ownership and threading as platform::Layer.
#include "components/flowview/KZButtonLayer.h"
#include "platform/layers/Movie.h"

#include <QTimer>
#include <memory>

class KZVideoOverlayLayer : public platform::Layer
{
public:
    static std::shared_ptr<KZVideoOverlayLayer> create();
    KZVideoOverlayLayer();
    ~KZVideoOverlayLayer() override;

    qreal indicatorScale() const { return m_indicatorScale; }
    void setIndicatorScale(qreal scale);
    qreal indicatorValue() const { return m_indicatorValue; }
    void setIndicatorValue(qreal value);
    std::shared_ptr<KZButtonLayer> buttonLayer() const { return m_buttonLayer; }
    std::shared_ptr<platform::Movie> movie() const;
    const QTimer *movieUpdateTimer() const { return m_timer.get(); }

    KZButtonLayer::Action action() const { return m_buttonLayer->action(); }
    void setAction(KZButtonLayer::Action action) { m_buttonLayer->setAction(std::move(action)); }

    void buttonClicked();
    void expand();
    void collapse();
    void setupNotifications();
    void teardownNotifications();
    void startMovieUpdateTimer();
    void stopMovieUpdateTimer();
    void updateMovieOverlay();
    void removeFromSuperlayer() override;

    bool needsDisplayForKey(const QString &key) const override;
    void drawInContext(QPainter &painter) override;

    // The shared 40 × 40 button pictures (white shapes on clear).
    static QImage playImage();
    static QImage pauseImage();
    static QPainterPath trianglePathInRect(const QRectF &rect);
    static QPainterPath pausePathInRect(const QRectF &rect);

    static constexpr int UpdateIntervalMs = 100;
    static constexpr double ExpandDuration = 0.15;

protected:
    KZVideoOverlayLayer(const KZVideoOverlayLayer &model, PresentationCopy tag);
    platform::LayerPtr makePresentationCopy() const override;
    const platform::KeyTable &keyTable() const override;

private:
    void animateIndicator(qreal from, qreal to);

    qreal m_indicatorScale = 0;
    qreal m_indicatorValue = 0;
    std::shared_ptr<KZButtonLayer> m_buttonLayer;
    std::unique_ptr<QTimer> m_timer;
    platform::ObservationToken m_hiddenObservation = 0;
};
