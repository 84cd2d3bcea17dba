#include "NTXAppKit/NTXContainerBox/NTXBaseView.h"

#include "AppKitExtensions/NTXNSImage_Extension.h"
#include "platform/drawing/SystemColors.h"
#include "platform/drawing/YUpPainter.h"

#include <QApplication>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QPainter>

using Attributes = platform::AttributedString::Attributes;

namespace {

const QString PlaceholderFontName = QStringLiteral("HelveticaNeue-Medium");
constexpr qreal Kerning = 0.95;

struct ClassValues
{
    QColor textColor = platform::SystemColors::grayColor();
    QColor shadowColor = platform::SystemColors::whiteColor();
    QFont font = NTXBaseView::textFont();
};

const ClassValues &classValues()
{
    static const ClassValues values;
    return values;
}

} // namespace

NTXBaseView::NTXBaseView(QWidget *parent)
    : NTXContainerBox(parent)
{
    commonConfiguration();
}

NTXBaseView::NTXBaseView(const QImage &icon, const QString &text, QWidget *parent)
    : NTXBaseView(parent)
{
    setIcon(icon);
    setText(text);
}

NTXBaseView::NTXBaseView(const QImage &icon, const platform::AttributedString &attributedText, QWidget *parent)
    : NTXBaseView(parent)
{
    setIcon(icon);
    setAttributedText(attributedText);
}

NTXBaseView *NTXBaseView::fromCoder(platform::Coder &coder, QWidget *parent)
{
    auto *view = new NTXBaseView(parent);
    if (!view->initWithCoder(coder)) {
        delete view;
        return nullptr;
    }
    return view;
}

QFont NTXBaseView::textFont()
{
    QFont font(PlaceholderFontName);
    font.setPixelSize(24);
    if (QFontInfo(font).family() == PlaceholderFontName)
        return font;
    font = QApplication::font();
    font.setPixelSize(24);
    return font;
}

void NTXBaseView::commonConfiguration()
{
    m_icon = QImage();
    m_textBoxWidth = 180;
    m_iconVerticalOffset = 10;
    m_iconTextMargin = 10;
    m_preventDrawingWithSubviews = true;
    m_childViewStack.clear();
    m_isAnimating = false;
    setText(QStringLiteral("No Content"));
    setHasGradient(true);
    m_calculatedTextBoxRect = QRectF();
    const ClassValues &values = classValues();
    m_textBoxAttributes = Attributes{
        {platform::AttributedString::FontAttribute, values.font},
        {platform::AttributedString::ForegroundColorAttribute, values.textColor},
        {ShadowAttribute, values.shadowColor},
        {ParagraphStyleAttribute, int(Qt::AlignHCenter)},
        {KernAttribute, Kerning},
    };
}

void NTXBaseView::setText(const QString &text)
{
    const QString stored = text.isNull() ? QStringLiteral("") : text;
    if (stored == m_text && !m_text.isNull())
        return;
    m_text = stored;
    m_attributedText = platform::AttributedString(m_text, m_textBoxAttributes);
    update();
}

void NTXBaseView::setAttributedText(const platform::AttributedString &attributedText)
{
    if (attributedText.string() == m_text)
        return;
    m_attributedText = attributedText;
    m_text = attributedText.string();
    m_textBoxAttributes = attributedText.isEmpty() ? Attributes() : attributedText.attributesAt(0);
    update();
}

void NTXBaseView::setTextBoxWidth(float width)
{
    if (width == m_textBoxWidth)
        return;
    m_textBoxWidth = width;
    update();
}

QFont NTXBaseView::attributedFont() const
{
    QFont font = m_textBoxAttributes.value(platform::AttributedString::FontAttribute).value<QFont>();
    const auto kern = m_textBoxAttributes.find(KernAttribute);
    if (kern != m_textBoxAttributes.end())
        font.setLetterSpacing(QFont::AbsoluteSpacing, kern->toDouble());
    return font;
}

QRectF NTXBaseView::calculatedTextBoxRect()
{
    if (!m_text.isEmpty()) {
        const QFontMetricsF metrics(attributedFont());
        const int alignment = m_textBoxAttributes.value(ParagraphStyleAttribute, int(Qt::AlignLeft)).toInt();
        const QRectF used = metrics.boundingRect(QRectF(0, 0, m_textBoxWidth, 1e6), Qt::TextWordWrap | alignment, m_text);
        m_calculatedTextBoxRect = QRectF(QPointF(0, 0), used.size());
    }
    return m_calculatedTextBoxRect;
}

QRectF NTXBaseView::frameForView(const QWidget *view, int effect) const
{
    QRectF result = view ? QRectF(QPointF(0, 0), QSizeF(view->size())) : QRectF();
    const qreal parentHeight = parentWidget() ? parentWidget()->height() : height();
    const QRectF f = platform::YUpPainter::rectFromView(QRectF(geometry()), parentHeight);
    // windows here have no content border: its thickness at every edge is 0
    switch (effect) {
    case 2:
        result.moveTop(f.y() + f.height());
        break;
    case 3:
        result.moveLeft(f.x() + f.width());
        break;
    case 4:
        result.moveTop(f.y() - f.height());
        break;
    case 5:
        result.moveLeft(f.x() - f.width());
        break;
    default:
        break;
    }
    return result;
}

void NTXBaseView::pushChildView(QWidget *, int, const std::function<void()> &) {}

void NTXBaseView::popChildViewWithAnimationEffect(int, const std::function<void()> &) {}

void NTXBaseView::drawRect(QPainter &painter)
{
    NTXContainerBox::drawRect(painter);
    const bool hasChildren = !findChildren<QWidget *>(Qt::FindDirectChildrenOnly).isEmpty();
    if (hasChildren && m_preventDrawingWithSubviews && !m_isAnimating)
        return;
    const QSizeF b = size();
    const QRectF t = calculatedTextBoxRect();
    const qreal textX = (b.width() - t.width()) * 0.5;
    qreal textY = 0;
    const QSizeF iconSize = m_icon.deviceIndependentSize();
    if (hasIcon()) {
        QPointF at((b.width() - iconSize.width()) * 0.5, (b.height() - iconSize.height()) * 0.5);
        if (hasText()) {
            at.ry() += m_iconVerticalOffset;
            textY = at.y() - t.height() - m_iconTextMargin;
        }
        NTXNSImage_Extension::drawAtPoint(m_icon, painter, at, QPainter::CompositionMode_SourceAtop, 1.0);
    } else {
        textY = (b.height() - t.height()) * 0.5;
    }
    if (!m_text.isEmpty()) {
        m_calculatedTextBoxRect.moveTopLeft(QPointF(textX, textY));
        drawText(painter, m_calculatedTextBoxRect);
    }
}

void NTXBaseView::drawText(QPainter &painter, const QRectF &rect) const
{
    const int flags =
        Qt::TextWordWrap | m_textBoxAttributes.value(ParagraphStyleAttribute, int(Qt::AlignLeft)).toInt();
    painter.save();
    painter.setFont(attributedFont());
    const QVariant shadow = m_textBoxAttributes.value(ShadowAttribute);
    if (shadow.canConvert<QColor>() && shadow.value<QColor>().isValid()) {
        painter.setPen(shadow.value<QColor>());
        platform::YUpPainter::drawTextUpright(painter, rect.translated(0, -1), flags, m_text);
    }
    const QVariant color = m_textBoxAttributes.value(platform::AttributedString::ForegroundColorAttribute);
    painter.setPen(color.isValid() ? color.value<QColor>() : QColor(Qt::black));
    platform::YUpPainter::drawTextUpright(painter, rect, flags, m_text);
    painter.restore();
}
