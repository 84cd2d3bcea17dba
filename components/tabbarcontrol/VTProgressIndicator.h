#pragma once
// The spinning indicator of a tab. Its own hidden flag (isHidden()/setHidden(), on
// from the start) says whether the tab shows it; the widget is on screen only while
// that flag is off and the cell placed it in the control. Showing or hiding it asks
// the control for a new layout. stopAnimation() also drops a start requested for
// later that has not run yet.
//
// Owned by its cell (a child widget of the control only while shown). Main thread only.
#include "platform/drawing/ProgressIndicator.h"

class VTProgressIndicator : public platform::ProgressIndicator
{
    Q_OBJECT
public:
    explicit VTProgressIndicator(QWidget *parent = nullptr);

    bool isHidden() const { return m_hidden; }
    void setHidden(bool hidden);
    // Puts the indicator into the control (shown as its flag says) or takes it out.
    void placeIn(QWidget *control);

    void stopAnimation() override;

private:
    bool m_hidden = true;
};
