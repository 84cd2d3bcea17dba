#include "NTXAppKit/NTXLineNumberRuler/NTXLineNumberRuler.h"

#include "platform/archive/Coder.h"
#include "platform/drawing/Cell.h"
#include "platform/drawing/SystemColors.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QAbstractScrollArea>
#include <QFontMetricsF>
#include <QHeaderView>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTableView>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

#include <cmath>

namespace {

const QString FontKey = QStringLiteral("font");
const QString TextColorKey = QStringLiteral("textColor");
const QString AlternateTextColorKey = QStringLiteral("alternateTextColor");
const QString BackgroundColorKey = QStringLiteral("backgroundColor");

QVariant colorValue(const QColor &color)
{
    return color.isValid() ? QVariant(color) : QVariant();
}

// Calls f with the client as the text edit it is, or answers `otherwise`.
template <class F, class R> R withTextEdit(QWidget *client, F f, R otherwise)
{
    if (auto *plain = qobject_cast<QPlainTextEdit *>(client))
        return f(*plain);
    if (auto *rich = qobject_cast<QTextEdit *>(client))
        return f(*rich);
    return otherwise;
}

} // namespace

NTXLineNumberRuler::NTXLineNumberRuler(QAbstractScrollArea *scrollView, QWidget *parent)
    : platform::RulerView(scrollView, parent)
{
    setClientView(scrollView);
}

NTXLineNumberRuler::NTXLineNumberRuler(Coded, QWidget *parent)
    : platform::RulerView(nullptr, parent)
{
}

NTXLineNumberRuler *NTXLineNumberRuler::fromCoder(platform::Coder &coder, QWidget *parent)
{
    auto *ruler = new NTXLineNumberRuler(Coded{}, parent);
    if (!ruler->readFromCoder(coder)) {
        delete ruler;
        return nullptr;
    }
    return ruler;
}

NTXLineNumberRuler::~NTXLineNumberRuler()
{
    QObject::disconnect(m_documentConnection);
    delete m_tableHeaderView.data();
}

void NTXLineNumberRuler::awakeFromNib()
{
    m_linesToMarkers.clear();
    setClientView(scrollView());
}

void NTXLineNumberRuler::setClientView(QWidget *client)
{
    if (client != clientView()) {
        QObject::disconnect(m_documentConnection);
        m_observedDocument = nullptr;
    }
    platform::RulerView::setClientView(client);
    QTextDocument *document = clientDocument();
    if (document && document != m_observedDocument) {
        m_observedDocument = document;
        m_documentConnection = connect(document, &QTextDocument::contentsChange, this,
            platform::ExceptionBoundary::guarded(this, "textDidChange", &NTXLineNumberRuler::textDidChange));
    }
    if (document)
        invalidateLineIndices();
}

QTextDocument *NTXLineNumberRuler::clientDocument() const
{
    return withTextEdit(clientView(), [](auto &edit) { return edit.document(); }, static_cast<QTextDocument *>(nullptr));
}

QTableView *NTXLineNumberRuler::tableClient() const
{
    return qobject_cast<QTableView *>(clientView());
}

// ---- Lines ----

const QList<qsizetype> &NTXLineNumberRuler::lineIndices()
{
    if (!m_lineIndices)
        calculateLines();
    if (!m_lineIndices)
        m_lineIndices.emplace(); // a client without lines: an empty table
    return *m_lineIndices;
}

void NTXLineNumberRuler::invalidateLineIndices()
{
    m_lineIndices.reset();
}

void NTXLineNumberRuler::textDidChange()
{
    invalidateLineIndices();
    update();
}

void NTXLineNumberRuler::calculateLines()
{
    if (QTextDocument *document = clientDocument()) {
        m_lineIndices = lineStartsOfText(document->toRawText());
    } else if (QTableView *table = tableClient()) {
        const int rows = table->model() ? table->model()->rowCount(table->rootIndex()) : 0;
        QList<qsizetype> entries;
        entries.reserve(rows);
        for (int row = 0; row < rows; ++row)
            entries.append(row);
        m_lineIndices = std::move(entries);
    } else {
        return;
    }
    const qreal required = requiredThickness();
    if (std::abs(ruleThickness() - required) > 1.0) {
        QMetaObject::invokeMethod(
            this,
                platform::ExceptionBoundary::guarded(this, "a queued call", [this, required] { setRuleThickness(required); }), Qt::QueuedConnection);
    }
}

qreal NTXLineNumberRuler::requiredThickness() const
{
    qsizetype count = m_lineIndices ? m_lineIndices->size() : 0;
    int digits = 1;
    while (count >= 10) {
        count /= 10;
        ++digits;
    }
    const qreal width = QFontMetricsF(font()).horizontalAdvance(QString(digits, QLatin1Char('8')));
    return std::ceil(std::max(width + 12, MinimumThickness));
}

quint64 NTXLineNumberRuler::lineNumberForCharacterIndex(qsizetype index)
{
    return lineNumberForCharacterIndex(lineIndices(), index);
}

QRect NTXLineNumberRuler::cursorRectAt(qsizetype position) const
{
    return withTextEdit(
        clientView(),
        [position](auto &edit) {
            QTextCursor cursor(edit.document());
            cursor.setPosition(int(position));
            return edit.cursorRect(cursor);
        },
        QRect());
}

qsizetype NTXLineNumberRuler::positionAt(const QPoint &viewportPoint) const
{
    return withTextEdit(
        clientView(), [&viewportPoint](auto &edit) { return qsizetype(edit.cursorForPosition(viewportPoint).position()); },
        qsizetype(0));
}

NTXLineNumberRuler::VisibleLines NTXLineNumberRuler::visibleTextLines()
{
    const QList<qsizetype> &table = lineIndices();
    QAbstractScrollArea *area = qobject_cast<QAbstractScrollArea *>(clientView());
    if (table.isEmpty() || !area)
        return {};
    const QSize viewport = area->viewport()->size();
    const qsizetype location = positionAt(QPoint(0, 0));
    const qsizetype last = positionAt(QPoint(viewport.width() - 1, viewport.height() - 1));
    const qsizetype length = std::max<qsizetype>(0, last - location);
    VisibleLines lines;
    qsizetype i = qsizetype(lineNumberForCharacterIndex(table, location));
    // the line holding the first visible character starts above the view unless it
    // starts right there
    if (table[i] < location)
        ++i;
    lines.first = i;
    while (i < table.size() && table[i] <= location + length)
        ++i;
    lines.end = i;
    return lines;
}

std::optional<QRectF> NTXLineNumberRuler::textLineRect(qsizetype line)
{
    const QList<qsizetype> &table = lineIndices();
    if (line < 0 || line >= table.size())
        return std::nullopt;
    const QRect rect = cursorRectAt(table[line]);
    if (!rect.isValid())
        return std::nullopt;
    return QRectF(rect).translated(0, viewportTop());
}

quint64 NTXLineNumberRuler::lineNumberForLocation(qreal y)
{
    if (hasTextClient()) {
        // the line tops ascend with the lines: bisect for the last one at or above y
        const VisibleLines visible = visibleTextLines();
        qsizetype low = visible.first;
        qsizetype high = visible.end;
        while (low < high) {
            const qsizetype mid = low + (high - low) / 2;
            const std::optional<QRectF> rect = textLineRect(mid);
            if (rect && rect->top() <= y)
                low = mid + 1;
            else
                high = mid;
        }
        if (low == visible.first)
            return NotFound;
        const std::optional<QRectF> rect = textLineRect(low - 1);
        if (rect && rect->top() <= y && y < rect->bottom())
            return quint64(low);
        return NotFound;
    }
    if (QTableView *table = tableClient()) {
        lineIndices();
        return quint64(table->rowAt(int(std::floor(y - viewportTop()))) + 1);
    }
    return NotFound;
}

// ---- Markers ----

std::shared_ptr<NTXLineNumberRulerMarker> NTXLineNumberRuler::markerAtLine(quint64 line) const
{
    return m_linesToMarkers.value(quint32(line - 1));
}

void NTXLineNumberRuler::addMarker(const platform::RulerMarkerPtr &marker)
{
    if (auto lineMarker = std::dynamic_pointer_cast<NTXLineNumberRulerMarker>(marker)) {
        lineMarker->setRuler(this);
        m_linesToMarkers.insert(quint32(lineMarker->lineNumber() - 1), lineMarker);
        return;
    }
    platform::RulerView::addMarker(marker);
}

void NTXLineNumberRuler::removeMarker(const platform::RulerMarkerPtr &marker)
{
    if (auto lineMarker = std::dynamic_pointer_cast<NTXLineNumberRulerMarker>(marker)) {
        m_linesToMarkers.remove(quint32(lineMarker->lineNumber() - 1));
        return;
    }
    platform::RulerView::removeMarker(marker);
}

void NTXLineNumberRuler::setMarkers(const QList<platform::RulerMarkerPtr> &markers)
{
    m_linesToMarkers.clear();
    platform::RulerView::setMarkers({});
    for (const platform::RulerMarkerPtr &marker : markers)
        addMarker(marker);
}

QList<platform::RulerMarkerPtr> NTXLineNumberRuler::markers() const
{
    QList<platform::RulerMarkerPtr> all = platform::RulerView::markers();
    for (const auto &marker : m_linesToMarkers)
        all.append(marker);
    return all;
}

void NTXLineNumberRuler::removeAllMarker()
{
    for (const platform::RulerMarkerPtr &marker : markers())
        removeMarker(marker);
    update();
}

// ---- Look ----

QFont NTXLineNumberRuler::font() const
{
    return m_font ? *m_font : platform::Cell::systemFontForControlSize(platform::Cell::ControlSize::Mini);
}

void NTXLineNumberRuler::setFont(const std::optional<QFont> &newFont)
{
    if (newFont == m_font)
        return;
    m_font = newFont;
    update();
}

void NTXLineNumberRuler::setTextColor(const QColor &color)
{
    if (color == m_textColor)
        return;
    m_textColor = color;
    update();
}

void NTXLineNumberRuler::setAlternateTextColor(const QColor &color)
{
    if (color == m_alternateTextColor)
        return;
    m_alternateTextColor = color;
    update();
}

void NTXLineNumberRuler::setBackgroundColor(const QColor &color)
{
    if (color == m_backgroundColor)
        return;
    m_backgroundColor = color;
    update();
}

void NTXLineNumberRuler::setTableHeaderView(QHeaderView *header)
{
    if (header == m_tableHeaderView)
        return;
    delete m_tableHeaderView.data();
    m_tableHeaderView = header;
    if (header) {
        header->setParent(this);
        header->hide(); // drawn by the ruler, not shown itself
    }
    update();
}

// ---- Archiving ----

void NTXLineNumberRuler::encodeWithCoder(platform::Coder &coder) const
{
    if (!coder.allowsKeyedCoding())
        return;
    platform::RulerView::encodeWithCoder(coder);
    coder.encodeObject(m_font ? QVariant(*m_font) : QVariant(), FontKey);
    coder.encodeObject(colorValue(m_textColor), TextColorKey);
    coder.encodeObject(colorValue(m_alternateTextColor), AlternateTextColorKey);
    coder.encodeObject(colorValue(m_backgroundColor), BackgroundColorKey);
}

bool NTXLineNumberRuler::readFromCoder(platform::Coder &coder)
{
    if (!platform::RulerView::readFromCoder(coder))
        return false;
    const bool hasFont = coder.containsValueForKey(FontKey);
    const QFont decodedFont = coder.decodeObject<QFont>(FontKey);
    const QColor text = coder.decodeObject<QColor>(TextColorKey);
    const QColor alternate = coder.decodeObject<QColor>(AlternateTextColorKey);
    const QColor background = coder.decodeObject<QColor>(BackgroundColorKey);
    if (coder.failed())
        return false;
    if (hasFont)
        m_font = decodedFont;
    m_textColor = text;
    m_alternateTextColor = alternate;
    m_backgroundColor = background;
    m_linesToMarkers.clear();
    return true;
}

// ---- Drawing ----

void NTXLineNumberRuler::drawEdge(QPainter &painter)
{
    // the dark grey edge against the client, in the last pixel column inside the clip
    painter.setPen(QPen(platform::SystemColors::darkGrayColor(), 1));
    const qreal x = width() - 1.5;
    painter.drawLine(QPointF(x, height()), QPointF(x, 0));
}

void NTXLineNumberRuler::drawHashMarksAndLabelsInRect(QPainter &painter, const QRectF &)
{
    const QRectF bounds(rect());
    painter.save();
    painter.setClipRect(QRectF(bounds.x(), bounds.y() + 1, bounds.width() - 1, bounds.height() - 1));
    if (m_backgroundColor.isValid()) {
        painter.fillRect(bounds, m_backgroundColor);
        drawEdge(painter);
    }
    if (hasTextClient()) {
        const VisibleLines visible = visibleTextLines();
        for (qsizetype line = visible.first; line < visible.end; ++line) {
            if (const std::optional<QRectF> lineRect = textLineRect(line))
                drawLine(painter, quint64(line), lineRect->top(), lineRect->height());
        }
    } else if (QTableView *table = tableClient()) {
        const qsizetype rows = lineIndices().size();
        const int viewportHeight = table->viewport()->height();
        int first = table->rowAt(0);
        int last = table->rowAt(viewportHeight - 1);
        if (first >= 0) {
            if (last < 0)
                last = int(rows) - 1;
            const qreal top = viewportTop();
            for (int row = first; row <= last && row < rows; ++row)
                drawLine(painter, quint64(row), table->rowViewportPosition(row) + top, table->rowHeight(row));
        }
        if (m_tableHeaderView) {
            const QRect frame = m_tableHeaderView->geometry();
            m_tableHeaderView->render(&painter, frame.topLeft(), QRegion(QRect(QPoint(0, 0), frame.size())),
                                      QWidget::DrawChildren);
        }
    }
    drawEdge(painter);
    painter.restore();
}

void NTXLineNumberRuler::drawLine(QPainter &painter, quint64 line, qreal y, qreal height)
{
    const qreal boundsWidth = width();
    const auto marker = m_linesToMarkers.value(quint32(line));
    if (marker) {
        const QImage image = marker->image();
        const QSizeF size = image.deviceIndependentSize();
        painter.drawImage(QRectF(QPointF(boundsWidth - size.width() - 1, y + height * 0.5 - marker->imageOrigin().y()), size),
                          image);
    }
    const QString label = QString::number(line + 1);
    const TextAttributes measure = textAttributes();
    const QFontMetricsF metrics(measure.font);
    const QSizeF labelSize(metrics.horizontalAdvance(label), metrics.height());
    const TextAttributes shown = marker ? markerTextAttributes() : measure;
    painter.setFont(shown.font);
    painter.setPen(shown.color);
    const QRectF labelRect(boundsWidth - labelSize.width() - 6, y + (height - labelSize.height()) * 0.5,
                           boundsWidth - 12, height);
    painter.drawText(labelRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, label);
    if (m_labelObserver)
        m_labelObserver(line + 1, y);
}
