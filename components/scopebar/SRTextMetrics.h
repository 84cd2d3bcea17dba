#pragma once
// The measures of the scope bar's texts and fonts. Font points are pixels here: a
// font "of size 12" is a QFont of pixel size 12. Every text width the bar, its groups
// and its cells lay out with comes from width(), whose measuring function can be
// replaced (tests install one that gives exact widths on any machine).
//
// Ownership: one process-wide measuring function. Threads: GUI thread only.
// Failures: none; an empty function measures with the font's metrics.
#include <QFont>
#include <QString>
#include <functional>

class SRTextMetrics
{
public:
    using Measurer = std::function<qreal(const QString &text, const QFont &font)>;

    // The advance width of one line of text in the font.
    static qreal width(const QString &text, const QFont &font);
    // Replaces the measuring function; an empty one restores the font metrics.
    static void setMeasurer(Measurer measurer);

    // The bold system font of the given pixel size.
    static QFont boldSystemFont(qreal pixels);
    // The small system font's pixel size, truncated (computed once): the bar's
    // margins and gaps.
    static int smallSystemFontSize();
};
