#pragma once
// A push button on a layer: draws `image`, or `alternateImage` while `state` is 1,
// darkened to three quarters while highlighted; performClick() runs its action with
// the button as argument and clears the highlight. "highlighted", "enabled",
// "state" and "type" are keys of the layer whose changes redraw it.
//
// selectedFilters() is the look of a selected button: one colour-controls filter
// with its defaults but a brightness of −0.5, built once for the whole program.
//
// The target and action are one callable (the action bound to its target); it
// must not keep the button alive. Ownership and threading as platform::Layer.
#include "platform/layers/ColorControlsFilter.h"
#include "platform/layers/Layer.h"

#include <QImage>
#include <QSet>
#include <functional>
#include <vector>

class KZButtonLayer : public platform::Layer
{
public:
    using Action = std::function<void(KZButtonLayer &sender)>;

    static std::shared_ptr<KZButtonLayer> create();
    KZButtonLayer();

    bool isHighlighted() const { return m_highlighted; }
    void setHighlighted(bool highlighted);
    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool enabled);
    qint64 state() const { return m_state; }
    void setState(qint64 state);
    quint64 type() const { return m_type; }
    void setType(quint64 type);
    QImage image() const { return m_image; }
    void setImage(const QImage &image);
    QImage alternateImage() const { return m_alternateImage; }
    void setAlternateImage(const QImage &image);
    Action action() const { return m_action; }
    void setAction(Action action) { m_action = std::move(action); }

    void performClick();

    static const QSet<QString> &keysAffectingRedisplay();
    static const std::vector<platform::ColorControlsFilter> &selectedFilters();
    bool needsDisplayForKey(const QString &key) const override;
    void drawInContext(QPainter &painter) override;

    // What a pressed button multiplies its picture by.
    static constexpr qreal HighlightGray = 0.75;
    // The brightness of the selected look's filter.
    static constexpr double SelectedBrightness = -0.5;

protected:
    KZButtonLayer(const KZButtonLayer &model, PresentationCopy tag);
    platform::LayerPtr makePresentationCopy() const override;
    const platform::KeyTable &keyTable() const override;

private:
    bool m_highlighted = false;
    bool m_enabled = true;
    Action m_action;
    qint64 m_state = 0;
    quint64 m_type = 0;
    QImage m_image;
    QImage m_alternateImage;
};
