#pragma once
// A widget as an object of a keyed archive. A component subclasses it to name the
// widgets it can make again and to write and read their own keys; this class writes
// what every such widget has: "className" (archivedClassName()), "frame" and
// "hidden", and for a platform::TabView its items' "labels" and "selectedIndex".
//
// Sharing: forWidget() of a subclass answers one archived object per widget and
// subclass for as long as somebody holds it, so a widget written under two keys is
// one object in the archive. The registry forgets a widget when it is destroyed; an
// object made before then refers to no widget afterwards.
//
// Ownership: an object made by forWidget() only refers to its widget. An object read
// from an archive owns the widget it made until takeWidget() hands it over, and
// deletes it when nobody took it. A decoded widget has no parent and is not shown;
// wasHidden() tells whoever places it whether it was hidden when written.
//
// Failure (the bytes are untrusted): a coder that is not keyed writes nothing and
// reads as none. A missing or mistyped common key, more than MaximumItems tab labels
// or a label that is no string fails the coder, and so does whatever the subclass's
// decodeWidget() refuses (it answers null); the object then reads as none and leaves
// no widget behind. Frames read are made safe for QWidget::setGeometry() by the
// subclass's frameFromArchive(), for which boundedFrame() does the work.
//
// GUI thread only (it makes widgets; the registry holds no lock).
#include "platform/archive/Coding.h"

#include <QPointer>
#include <QRect>
#include <QWidget>
#include <functional>
#include <memory>
#include <typeindex>

namespace platform {

class Coder;

class ArchivedWidget : public Coding
{
public:
    static constexpr qreal MaximumCoordinate = 1e6;
    static constexpr int MaximumItems = 10000;

    // How boundedFrame() makes whole pixels of fractions.
    enum class Fractions { Truncated, Rounded };

    ~ArchivedWidget() override;

    void encodeWithCoder(Coder &coder) const final;
    bool initWithCoder(Coder &coder) final;

    QWidget *widget() const { return m_widget; }
    // Whether the decoded widget was hidden when it was written.
    bool wasHidden() const { return m_hidden; }
    // The decoded widget, handed over once (later calls, and objects that only refer
    // to a widget, answer null).
    std::unique_ptr<QWidget> takeWidget();

    // A frame with finite numbers only (others read as 0), its origin within
    // ±MaximumCoordinate and its size within [0, maximumSize].
    static QRect boundedFrame(const QRectF &frame, qreal maximumSize, Fractions fractions);

protected:
    ArchivedWidget() = default;

    // The shared object of `widget` for the subclass Derived (null for null).
    template <class Derived> static std::shared_ptr<Derived> forWidgetAs(QWidget *widget)
    {
        return std::static_pointer_cast<Derived>(
            sharedObject(widget, typeid(Derived), [] { return std::make_shared<Derived>(); }));
    }

    // The class name written for `widget`; by default its Qt class name.
    virtual QString archivedClassName(const QWidget &widget) const;
    // The hidden flag written for `widget`; by default QWidget::isHidden().
    virtual bool archivedHidden(const QWidget &widget) const;
    // Writes the keys of the subclass's own widgets (called for every widget but a
    // tab view, after the common keys).
    virtual void encodeWidgetKeys(Coder &coder, QWidget &widget) const = 0;
    // Makes the widget written as `className` (anything but a tab view) and reads its
    // own keys; null refuses the object (failing the coder with the reason is the
    // subclass's part).
    virtual std::unique_ptr<QWidget> decodeWidget(const QString &className, bool hidden, Coder &coder) = 0;
    // The geometry given to a decoded widget for the frame read.
    virtual QRect frameFromArchive(const QRectF &frame) const = 0;

private:
    static std::shared_ptr<ArchivedWidget> sharedObject(QWidget *widget, std::type_index kind,
                                                        const std::function<std::shared_ptr<ArchivedWidget>()> &make);
    std::unique_ptr<QWidget> decodeTabView(Coder &coder) const;

    QPointer<QWidget> m_widget;
    bool m_owned = false;
    bool m_hidden = false;
};

} // namespace platform
