#pragma once
// Screen geometry in y-up coordinates, the way window placement tables are written:
// the origin at the bottom-left corner of the primary screen, y growing upward. Qt
// places windows y-down from the top-left corner of the primary screen; the
// conversions here turn one into the other. Screens and their visible frames (the
// part not taken by panels, QScreen::availableGeometry) come from Qt, or from a list
// injected for tests. Stateless apart from the injected list; GUI thread only.
#include <QList>
#include <QPointF>
#include <QRect>
#include <QRectF>
#include <optional>

namespace platform {

class ScreenCoordinates
{
public:
    // One screen in Qt's coordinates; the first of the list is the primary screen.
    struct Screen
    {
        QRect frame;
        QRect visibleFrame;
    };

    static QList<Screen> screens();
    // Replaces Qt's screens (none: Qt's again).
    static void setScreens(std::optional<QList<Screen>> screens);

    // Height of the primary screen, the pivot of the conversions (0 without screens).
    static qreal primaryHeight();
    static QPointF pointFromQt(const QPointF &point);
    static QPointF pointToQt(const QPointF &point);
    static QRectF rectFromQt(const QRectF &rect);
    static QRectF rectToQt(const QRectF &rect);

    // Visible frame (y-up) of the screen holding a y-up point; of the primary screen
    // when no screen holds it. Empty without screens.
    static QRectF visibleFrameAt(const QPointF &point);
    static QRectF mainVisibleFrame();
};

} // namespace platform
