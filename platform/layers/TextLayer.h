#pragma once
// A layer that draws a string: in its font at fontSize (units of the layer), in the
// foreground colour, from the top of its bounds, aligned left, right, centred or
// justified ("natural" is left), wrapped at the bounds' width or on one line, a line
// too long shortened at its start, middle or end by an ellipsis. Text stands upright.
// Ownership and threading as Layer.
#include "platform/layers/Layer.h"

#include <QFont>

namespace platform {

class TextLayer : public Layer
{
public:
    enum class Alignment { Natural, Left, Right, Center, Justified };
    enum class Truncation { None, Start, Middle, End };

    static std::shared_ptr<TextLayer> create();
    TextLayer();

    QString string() const { return m_string; }
    void setString(const QString &string);
    QFont font() const { return m_font; }
    void setFont(const QFont &font);
    qreal fontSize() const { return m_fontSize; }
    void setFontSize(qreal size);
    QColor foregroundColor() const { return m_foreground; }
    void setForegroundColor(const QColor &color);
    Alignment alignmentMode() const { return m_alignment; }
    void setAlignmentMode(Alignment alignment);
    Truncation truncationMode() const { return m_truncation; }
    void setTruncationMode(Truncation truncation);
    bool isWrapped() const { return m_wrapped; }
    void setWrapped(bool wrapped);

    void drawInContext(QPainter &painter) override;
    bool needsDisplayForKey(const QString &key) const override;
    bool isAnimatableKey(const QString &key) const override;

    // Font sizes are kept within these bounds.
    static constexpr qreal MinimumFontSize = 1;
    static constexpr qreal MaximumFontSize = 1000;

protected:
    TextLayer(const TextLayer &model, PresentationCopy tag);
    LayerPtr makePresentationCopy() const override;
    const KeyTable &keyTable() const override;

private:
    QString m_string;
    QFont m_font;
    qreal m_fontSize = 36;
    QColor m_foreground{Qt::white};
    Alignment m_alignment = Alignment::Natural;
    Truncation m_truncation = Truncation::None;
    bool m_wrapped = false;
};

} // namespace platform
