#pragma once
// A vertical ruler that numbers the lines of the text beside it, or the rows of the
// table beside it, and shows markers on lines. Put it into the vertical-ruler slot
// of its scroll area (platform::WithVerticalRuler<QPlainTextEdit>, <QTextEdit> or
// <QTableView>); the client is the area itself.
//
// Lines: the line table holds the character index at which each line starts (the
// first is 0). A line ends at \n, \r, \r\n (one end), U+0085, U+2028 or U+2029 (a
// block break of the text document); a text that ends with a line end has an empty
// last line of its own. For a table the entries are the rows 0 … rows - 1. The table
// is built when first asked for and dropped by every change of the document, so only
// the next repaint pays for it; a repaint itself costs the visible lines only.
//
// Thickness: after building the table the ruler wants the width of the widest
// number plus 12 points, at least 24; a difference of more than 1 point is applied on
// the next pass of the event loop, never at once.
//
// Markers: at most one line marker per line, keyed by the line; other markers are
// the plain ruler's. Numbers on marked lines are drawn in the alternate colour.
//
// Archiving (keyed coders only): the ruler's keys, then "font", "textColor",
// "alternateTextColor" and "backgroundColor" (absent for none). The line table, the
// markers and the table header view are not archived.
//
// Ownership: the slot owns the ruler; the ruler owns its markers (shared), colours,
// font and table header view. GUI thread only; a client that is neither a text edit
// nor a table view gets no numbers, nothing else goes wrong.
#include "NTXAppKit/NTXLineNumberRuler/NTXLineNumberRulerMarker.h"
#include "platform/drawing/RulerView.h"

#include <QColor>
#include <QFont>
#include <QHeaderView>
#include <QTableView>
#include <QTextDocument>
#include <QList>
#include <QMap>
#include <QMetaObject>
#include <QPointer>
#include <QStringView>
#include <functional>
#include <limits>
#include <memory>
#include <optional>


class NTXLineNumberRuler : public platform::RulerView
{
    Q_OBJECT
public:
    // The answer for "no line here".
    static constexpr quint64 NotFound = quint64(std::numeric_limits<qint64>::max());
    static constexpr qreal MinimumThickness = 24;
    // What a number is drawn with.
    struct TextAttributes
    {
        QFont font;
        QColor color;
    };
    // Told of every number drawn (1-based) and the top of its line in the ruler.
    using LabelObserver = std::function<void(quint64 number, qreal y)>;

    // initWithScrollView: the ruler of the area, numbering the area's lines.
    explicit NTXLineNumberRuler(QAbstractScrollArea *scrollView, QWidget *parent = nullptr);
    // initWithCoder: a ruler without scroll view (give it one with the slot and then
    // awakeFromNib()); none for a coder without keyed coding or a failed decode.
    static NTXLineNumberRuler *fromCoder(platform::Coder &coder, QWidget *parent = nullptr);
    ~NTXLineNumberRuler() override;

    // An empty marker table, then the scroll area as the client.
    virtual void awakeFromNib();
    void setClientView(QWidget *client) override;

    // ---- Lines ----
    const QList<qsizetype> &lineIndices();
    void invalidateLineIndices();
    // The text changed: the table goes, the ruler repaints.
    void textDidChange();
    void calculateLines();
    qreal requiredThickness() const;
    // The 0-based line that holds the character index.
    quint64 lineNumberForCharacterIndex(qsizetype index);
    // The 1-based line at the height (ruler coordinates, y down), NotFound when no
    // line starts there; for a table the row there plus 1, so 0 below the last row.
    quint64 lineNumberForLocation(qreal y);

    // The line starts of a text (see the top of this file); never empty.
    static QList<qsizetype> lineStartsOfText(QStringView text);
    // Bisection over a line table: the 0-based line holding the index.
    static quint64 lineNumberForCharacterIndex(const QList<qsizetype> &table, qsizetype index);

    // ---- Markers ----
    std::shared_ptr<NTXLineNumberRulerMarker> markerAtLine(quint64 line) const;
    void addMarker(const platform::RulerMarkerPtr &marker) override;
    void removeMarker(const platform::RulerMarkerPtr &marker) override;
    void setMarkers(const QList<platform::RulerMarkerPtr> &markers) override;
    // The plain ruler's markers first, then the line markers by line.
    QList<platform::RulerMarkerPtr> markers() const override;
    void removeAllMarker();

    // ---- Look ----
    TextAttributes textAttributes() const { return {font(), textColor()}; }
    TextAttributes markerTextAttributes() const { return {font(), alternateTextColor()}; }
    // The mini system font when none is set.
    QFont font() const;
    void setFont(const std::optional<QFont> &font);
    QColor textColor() const { return m_textColor.isValid() ? m_textColor : QColor(Qt::black); }
    void setTextColor(const QColor &color);
    QColor alternateTextColor() const { return m_alternateTextColor.isValid() ? m_alternateTextColor : QColor(Qt::white); }
    void setAlternateTextColor(const QColor &color);
    // Invalid: no background is painted.
    QColor backgroundColor() const { return m_backgroundColor; }
    void setBackgroundColor(const QColor &color);
    // A header drawn at the ruler's top beside a table's header (not shown itself:
    // its geometry says where it is drawn). Owned.
    QHeaderView *tableHeaderView() const { return m_tableHeaderView; }
    void setTableHeaderView(QHeaderView *header);

    void encodeWithCoder(platform::Coder &coder) const override;

    void setLabelObserver(LabelObserver observer) { m_labelObserver = std::move(observer); }

protected:
    struct Coded {};
    NTXLineNumberRuler(Coded, QWidget *parent);
    bool readFromCoder(platform::Coder &coder);

    void drawHashMarksAndLabelsInRect(QPainter &painter, const QRectF &rect) override;

    // The visible lines: [first, end) of the line table, for a text client.
    struct VisibleLines
    {
        qsizetype first = 0;
        qsizetype end = 0;
    };
    VisibleLines visibleTextLines();
    // Where the text's line starts in the ruler (the drawing's and the click's
    // rectangle: the cursor's rectangle, document margin included); none when the
    // start has no layout.
    std::optional<QRectF> textLineRect(qsizetype line);
    QTextDocument *clientDocument() const;
    bool hasTextClient() const { return clientDocument() != nullptr; }
    QTableView *tableClient() const;

private:
    void drawLine(QPainter &painter, quint64 line, qreal y, qreal height);
    void drawEdge(QPainter &painter);
    QRect cursorRectAt(qsizetype position) const;
    qsizetype positionAt(const QPoint &viewportPoint) const;

    std::optional<QList<qsizetype>> m_lineIndices;
    QMap<quint32, std::shared_ptr<NTXLineNumberRulerMarker>> m_linesToMarkers;
    std::optional<QFont> m_font;
    QColor m_textColor;
    QColor m_alternateTextColor;
    QColor m_backgroundColor;
    QPointer<QHeaderView> m_tableHeaderView;
    QPointer<QTextDocument> m_observedDocument;
    QMetaObject::Connection m_documentConnection;
    LabelObserver m_labelObserver;
};
