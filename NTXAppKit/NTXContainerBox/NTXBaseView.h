#pragma once
// A container box with an empty-state placeholder: while the view holds no child
// widgets it shows an icon and a centred, engraved text ("No Content" to begin with)
// below it; child widgets replace the placeholder unless preventDrawingWithSubviews
// is off. The box draws a gradient by default. Drawing is y-up, as for the box.
//
// Text attributes are an attribute map (platform::AttributedString::Attributes):
// "NSFont" (QFont, its letter spacing the kerning), "NSColor" (QColor), "NSShadow"
// (QColor of a shadow one point below, no blur), "NSParagraphStyle" (int, Qt
// alignment flags) and "NSKern" (double, absolute letter spacing in points).
//
// A view decoded from an archive takes the placeholder defaults first and then the
// box's archived keys. Pushing and popping child views is not done: both operations
// do nothing and never call their completion.
// Ownership: a widget owned by its Qt parent. GUI thread only.
#include "NTXAppKit/NTXContainerBox/NTXContainerBox.h"
#include "platform/drawing/AttributedString.h"

#include <QImage>
#include <QList>
#include <QPointer>
#include <QRectF>
#include <functional>

class NTXBaseView : public NTXContainerBox
{
    Q_OBJECT
public:
    static inline const QString ShadowAttribute = QStringLiteral("NSShadow");
    static inline const QString ParagraphStyleAttribute = QStringLiteral("NSParagraphStyle");
    static inline const QString KernAttribute = QStringLiteral("NSKern");

    explicit NTXBaseView(QWidget *parent = nullptr);
    NTXBaseView(const QImage &icon, const QString &text, QWidget *parent = nullptr);
    NTXBaseView(const QImage &icon, const platform::AttributedString &attributedText, QWidget *parent = nullptr);

    static NTXBaseView *fromCoder(platform::Coder &coder, QWidget *parent = nullptr);

    // The placeholder defaults: no icon, "No Content", a 180-point text box, offsets
    // of 10, the gradient on, and the class's text attributes.
    void commonConfiguration();

    // The class's font: "HelveticaNeue-Medium" at 24, or the label font at 24 pixels
    // with a letter spacing of 0.95 where that font is missing.
    static QFont textFont();

    QImage icon() const { return m_icon; }
    void setIcon(const QImage &icon) { m_icon = icon; }
    QString text() const { return m_text; }
    // Stores the text (a null string as the empty one), rebuilds the attributed text
    // with the current attributes and repaints; the same text changes nothing.
    void setText(const QString &text);
    // Ignored when its characters equal the current text; otherwise its characters
    // become the text and its first character's attributes the text attributes.
    void setAttributedText(const platform::AttributedString &attributedText);
    platform::AttributedString::Attributes textAttributes() const { return m_textBoxAttributes; }

    float textBoxWidth() const { return m_textBoxWidth; }
    void setTextBoxWidth(float width);
    float iconVerticalOffset() const { return m_iconVerticalOffset; }
    void setIconVerticalOffset(float offset) { m_iconVerticalOffset = offset; }
    float iconTextMargin() const { return m_iconTextMargin; }
    void setIconTextMargin(float margin) { m_iconTextMargin = margin; }
    bool preventDrawingWithSubviews() const { return m_preventDrawingWithSubviews; }
    void setPreventDrawingWithSubviews(bool prevent) { m_preventDrawingWithSubviews = prevent; }

    // With a text: recomputes the rectangle the text takes when wrapped at
    // textBoxWidth; answers the stored rectangle.
    QRectF calculatedTextBoxRect();
    void setCalculatedTextBoxRect(const QRectF &rect) { m_calculatedTextBoxRect = rect; }
    bool hasIcon() const { return !m_icon.isNull(); }
    bool hasText() const { return !m_text.isEmpty(); }

    // The view's bounds (zero for none) moved beside this view's frame (y-up numbers)
    // by the effect: 2 above, 3 right, 4 below, 5 left; any other effect leaves it.
    QRectF frameForView(const QWidget *view, int effect) const;
    void pushChildView(QWidget *view, int effect, const std::function<void()> &completion);
    void popChildViewWithAnimationEffect(int effect, const std::function<void()> &completion);

    void drawRect(QPainter &painter) override;

private:
    void drawText(QPainter &painter, const QRectF &rect) const;
    QFont attributedFont() const;

    QImage m_icon;
    QString m_text;
    platform::AttributedString m_attributedText;
    platform::AttributedString::Attributes m_textBoxAttributes;
    QList<QPointer<QWidget>> m_childViewStack;
    bool m_isAnimating = false;
    QRectF m_calculatedTextBoxRect;
    float m_textBoxWidth = 180;
    float m_iconVerticalOffset = 10;
    float m_iconTextMargin = 10;
    bool m_preventDrawingWithSubviews = true;
};
