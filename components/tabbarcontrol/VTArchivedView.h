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
// widget until takeWidget() hands it over and deletes it when nobody took it
// (platform::ArchivedWidget holds these common rules).
// Frames read are cut to finite numbers within ±MaximumCoordinate, fractions dropped.
//
// GUI thread only (it makes widgets).
#include "platform/drawing/ArchivedWidget.h"

class VTArchivedView : public platform::ArchivedWidget
{
public:
    VTArchivedView() = default;

    static std::shared_ptr<VTArchivedView> forWidget(QWidget *widget);

    QString classNameForCoder() const override { return QStringLiteral("VTArchivedView"); }

    static QRect saneFrame(const QRectF &frame);

protected:
    QString archivedClassName(const QWidget &widget) const override;
    bool archivedHidden(const QWidget &widget) const override;
    void encodeWidgetKeys(platform::Coder &coder, QWidget &widget) const override;
    std::unique_ptr<QWidget> decodeWidget(const QString &className, bool hidden, platform::Coder &coder) override;
    QRect frameFromArchive(const QRectF &frame) const override { return saneFrame(frame); }
};
