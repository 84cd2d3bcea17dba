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
// until takeWidget() hands it over, and deletes it when nobody took it.
//
// Bounds (the bytes are untrusted): at most MaximumItems labels; frames are cut to
// finite numbers within ±MaximumCoordinate and sizes to what a widget can have. A
// value of the wrong kind fails the coder (and the object reads as none).
//
// GUI thread only (it makes widgets).
#include "platform/archive/Coding.h"

#include <QPointer>
#include <QString>
#include <QWidget>
#include <memory>

class KZArchivedView : public platform::Coding
{
public:
    static constexpr int MaximumItems = 10000;
    static constexpr qreal MaximumCoordinate = 1e6;

    KZArchivedView() = default;
    ~KZArchivedView() override;

    // The archived object of a widget (null for null).
    static std::shared_ptr<KZArchivedView> forWidget(QWidget *widget);

    QString classNameForCoder() const override { return QStringLiteral("KZArchivedView"); }
    void encodeWithCoder(platform::Coder &coder) const override;
    bool initWithCoder(platform::Coder &coder) override;

    QWidget *widget() const { return m_widget; }
    // Whether the decoded widget was hidden when it was written (a decoded widget has
    // no parent yet and is shown only by whoever places it).
    bool wasHidden() const { return m_hidden; }
    // The decoded widget, handed over once (later calls answer null).
    std::unique_ptr<QWidget> takeWidget();
    // A frame read from an archive, made safe for QWidget::setGeometry().
    static QRect saneFrame(const QRectF &frame);

private:
    QPointer<QWidget> m_widget;
    bool m_owned = false;
    bool m_hidden = false;
};
