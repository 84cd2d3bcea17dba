#pragma once
// The inspector's layout of attachments: it keeps the attachment cells of the text
// (by number, as the attachment characters name them), answers their size to the
// document layout (a QTextObjectInterface for AttachmentObjectType that draws nothing)
// and moves each cell's control onto its place and shows it, after the layout is done.
//
// Ownership: owns the cells; the controls are not owned. Threads: GUI thread only.
#include "NTXAppKit/inspector/NTXTextViewInspectorViewTextAttachmentCell.h"
#include "platform/foundation/Range.h"

#include <QObject>
#include <QTextObjectInterface>
#include <map>
#include <memory>

class QTextDocument;

class NTXTextViewInspectorLayoutManager : public QObject, public QTextObjectInterface
{
    Q_OBJECT
    Q_INTERFACES(QTextObjectInterface)
public:
    explicit NTXTextViewInspectorLayoutManager(QObject *parent = nullptr);
    ~NTXTextViewInspectorLayoutManager() override;

    // Takes the cell; answers its number for the attachment character's format.
    int addCell(std::unique_ptr<NTXTextViewInspectorViewTextAttachmentCell> cell);
    NTXTextViewInspectorViewTextAttachmentCell *cell(int number) const;
    void removeAllCells();
    // Forgets the cells of the attachment characters in the range (before the range's
    // text goes).
    void removeCellsInRange(const QTextDocument &document, platform::Range range);
    // The cells of the attachment characters in the range, in text order.
    QList<NTXTextViewInspectorViewTextAttachmentCell *> cellsInRange(const QTextDocument &document,
                                                                     platform::Range range) const;

    QSizeF intrinsicSize(QTextDocument *document, int positionInDocument, const QTextFormat &format) override;
    void drawObject(QPainter *painter, const QRectF &rect, QTextDocument *document, int positionInDocument,
                    const QTextFormat &format) override;

    // Places every cell's control that is a child of the container on its frame
    // (document coordinates moved by `offset`, the scroll position's opposite) and
    // shows it; with a range, only the cells of the range.
    void showAttachmentCells(const QTextDocument &document, const QWidget *container, const QPointF &offset,
                             platform::Range range = platform::Range());
    // The frame of the attachment at the position, in document coordinates; null when
    // the position holds no laid-out attachment.
    QRectF frameOfAttachment(const QTextDocument &document, int position) const;

private:
    std::map<int, std::unique_ptr<NTXTextViewInspectorViewTextAttachmentCell>> m_cells;
    int m_nextNumber = 1;
};
