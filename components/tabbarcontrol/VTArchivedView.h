#pragma once
// A widget of the tab bar control as an object of a keyed archive: a cell's progress
// indicator, the overflow and add-tab buttons. forWidget() answers one archived
// object per widget for as long as somebody holds it, so a widget written under two
// keys is one object in the archive.
//
// Also the tab bar control itself and the views it refers to (its tab view and
// partner view).
//
// Written (keyed coders only; class "VTArchivedView"): "className" (one of
// "VTProgressIndicator", "VTOverflowPopUpButton", "VTRolloverButton",
// "VTTabBarControl", "platform::TabView", or "QWidget" for any other widget),
// "frame", "hidden", then the button's or control's own keys; a tab view adds
// "labels" (at most MaximumItems) and "selectedIndex". Reading makes a widget of
// that kind; an unknown class name fails the coder. The object owns the decoded
// widget until takeWidget() hands it over and deletes it when nobody took it.
// Frames read are cut to finite numbers within ±MaximumCoordinate.
//
// GUI thread only (it makes widgets).
#include "platform/archive/Coding.h"

#include <QPointer>
#include <QRect>
#include <QWidget>
#include <memory>

class VTArchivedView : public platform::Coding
{
public:
    static constexpr qreal MaximumCoordinate = 1e6;
    static constexpr int MaximumItems = 10000;

    VTArchivedView() = default;
    ~VTArchivedView() override;

    static std::shared_ptr<VTArchivedView> forWidget(QWidget *widget);

    QString classNameForCoder() const override { return QStringLiteral("VTArchivedView"); }
    void encodeWithCoder(platform::Coder &coder) const override;
    bool initWithCoder(platform::Coder &coder) override;

    QWidget *widget() const { return m_widget; }
    bool wasHidden() const { return m_hidden; }
    std::unique_ptr<QWidget> takeWidget();

    static QRect saneFrame(const QRectF &frame);

private:
    QPointer<QWidget> m_widget;
    bool m_owned = false;
    bool m_hidden = false;
};
