#pragma once
// Brings Qt's drag events (drags from other programs, and Qt drags of this one) to a
// widget's DragDestination, so that one interface serves both kinds of drag. Installed
// on the widget, it turns on acceptDrops and maps enter / move / leave / drop to
// dragEntered / dragUpdated / dragExited / prepareForDrop + performDrop + concludeDrop.
// The DragInfo it hands over has no session: such a drag is foreign, whatever formats
// it carries. The answer of the destination is set as the event's drop action (or the
// event is ignored for Qt::IgnoreAction).
//
// A QObject child of the widget (gone with it). GUI thread only. install() on a widget
// that does not implement DragDestination answers null and changes nothing.
#include <QObject>

class QWidget;

namespace platform {

class DragDestination;

class DragDestinationAdapter : public QObject
{
    Q_OBJECT
public:
    static DragDestinationAdapter *install(QWidget *widget);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    DragDestinationAdapter(QWidget *widget, DragDestination *destination);

    QWidget *m_widget;
    DragDestination *m_destination;
};

} // namespace platform
