#pragma once
// The one table of the eight colour-label colours, shared by the
// colour-label picker and the labelled outline cell: 0 "no label" (the platform's
// clear colour), 1 to 7 red, orange, yellow, green, blue, purple and grey.
//
// "No colour" (the platform's nil) is an invalid QColor: getLabelColorForLabelType(0)
// answers QColor() with isValid() false, never the clear colour.
#include <QColor>
#include <QList>

class NTXColorLabelColors
{
public:
    // The shared table; created on first use and kept for the life of the process.
    // There is no other instance: the constructor is private, so every "second init"
    // is this same object.
    static NTXColorLabelColors &sharedVYXColorLabelColors();

    // The list itself (eight colours in table order); changing it changes what the
    // class operations below answer from then on.
    QList<QColor> &colorList() { return m_colorList; }
    const QList<QColor> &colorList() const { return m_colorList; }

    // For 1 to 7 a copy of that entry of the shared list; for 0 and every value
    // outside 1 to 7 an invalid colour (no colour).
    static QColor getLabelColorAtindex(int index);
    // The same as getLabelColorAtindex() with the type as index.
    static QColor getLabelColorForLabelType(int type);
    // The colour of text drawn on a label: white for -1, 4, 5 and 6, black otherwise.
    static QColor letteringColorForLabelType(int type);

    NTXColorLabelColors(const NTXColorLabelColors &) = delete;
    NTXColorLabelColors &operator=(const NTXColorLabelColors &) = delete;

private:
    NTXColorLabelColors();

    QList<QColor> m_colorList;
};
