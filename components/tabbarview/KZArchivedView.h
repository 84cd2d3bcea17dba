#pragma once
// A widget as an object of a keyed archive, for the views a tab bar refers to (its
// tab view, partner view and built-in buttons). forWidget() answers one archived
// object per widget for as long as somebody holds it, so a widget referred to under
// two keys is written once and read back as one object.
//
// Written: "className" (the widget's Qt class), "frame" and "hidden"; a
// platform::TabView adds "labels" (its items' labels) and "selectedIndex"; a
// KZRolloverButton or KZOverflowPopUpButton adds its cell's keys. Reading makes a
// widget of the same kind (a plain QWidget for any other class); the object owns it
// until takeWidget() hands it over, and deletes it when nobody took it
// (platform::ArchivedWidget holds these common rules).
//
// Bounds (the bytes are untrusted): at most MaximumItems labels; frames are cut to
// finite numbers within ±MaximumCoordinate and sizes to what a widget can have,
// rounded to whole pixels. A value of the wrong kind fails the coder (and the object
// reads as none).
//
// GUI thread only (it makes widgets).
#include "platform/drawing/ArchivedWidget.h"

class KZArchivedView : public platform::ArchivedWidget
{
public:
    KZArchivedView() = default;

    // The archived object of a widget (null for null).
    static std::shared_ptr<KZArchivedView> forWidget(QWidget *widget);

    QString classNameForCoder() const override { return QStringLiteral("KZArchivedView"); }

    // A frame read from an archive, made safe for QWidget::setGeometry().
    static QRect saneFrame(const QRectF &frame);

protected:
    void encodeWidgetKeys(platform::Coder &coder, QWidget &widget) const override;
    std::unique_ptr<QWidget> decodeWidget(const QString &className, bool hidden, platform::Coder &coder) override;
    QRect frameFromArchive(const QRectF &frame) const override { return saneFrame(frame); }
};
