#pragma once
// Makes a test fail when it leaves a mouse button held in Qt Test's own record.
//
// Qt Test keeps the buttons its presses held for the whole process, and sends every
// later pointer move with them: a move with a button held is a drag, and a widget
// that tracks the pointer (tracking areas, hovering) hears nothing. QTest::mouseDClick
// on a widget sends the double click alone, without the release that ends it on a
// real desktop, and so leaves its button held for every test after it, which then
// fails or passes by the order the tests run in. After each test this check looks at
// the record; a button held fails the test, and the record is emptied, so the tests
// after it start with no button held. A test ends its double clicks with
// doubleClick() below, or with a release of its own.
//
// Thread-safety: GUI thread only, like Qt Test's mouse functions; installed once from
// main.
#include <QPoint>
#include <Qt>

class QWidget;

namespace testsupport {

void installMouseButtonsCheck();

// A double click on the widget at the point, ended as on a real desktop: Qt Test's
// double click, then the release of its button (to the widget while it still exists;
// the double click may have closed it).
void doubleClick(QWidget *widget, const QPoint &point, Qt::MouseButton button = Qt::LeftButton,
                 Qt::KeyboardModifiers modifiers = {});

} // namespace testsupport
