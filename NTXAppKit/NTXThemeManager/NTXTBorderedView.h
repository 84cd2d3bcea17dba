#pragma once
// A container panel painted in the look of a theme: its bounds filled with a
// background gradient or colour, optionally shaped with rounded corners, and borders
// on chosen sides. Geometry is y-up (origin at the bottom left, "max-y" is the top
// edge), as the view's shapes are described.
//
// The view has an active and an inactive look. It is inactive when isActive() is off,
// or when it respects the window state and its window is not the active window; it
// repaints when its window's activation changes. "isActive" can be bound to a key
// path of a model object (bind()); the no-selection marker turns it off, a number
// (through the binding's transformer) sets it, anything else is ignored.
//
// When its theme has a dark background style, every platform::Control inside the view
// is given the dark background style (awakeFromNib() and whenever a child is added or
// polished). With no theme for its key the view paints nothing, as a plain widget.
//
// A view made in code starts active; one decoded from an archive starts with every
// field but the theme key off (inactive). Archiving writes and reads "themeKey" only.
// Setters other than setThemeKey() do not repaint: call update(). GUI thread only.
#include "NTXAppKit/NTXThemeManager/NTXTheme.h"
#include "platform/drawing/Gradient.h"
#include "platform/foundation/Bindings.h"

#include <QVariantMap>
#include <QWidget>
#include <memory>
#include <optional>

namespace platform {
class Coder;
} // namespace platform

class NTXTBorderedView : public QWidget
{
    Q_OBJECT
public:
    // The border sides (not in the order of the button cell's border-side mask).
    static constexpr unsigned MinXSide = 1;
    static constexpr unsigned MaxXSide = 2;
    static constexpr unsigned MaxYSide = 4;
    static constexpr unsigned MinYSide = 8;
    static inline const QString IsActiveBinding = QStringLiteral("isActive");

    explicit NTXTBorderedView(QWidget *parent = nullptr);
    ~NTXTBorderedView() override;

    // A view read from a keyed archive (none for another coder or a failed decode).
    static NTXTBorderedView *fromCoder(platform::Coder &coder, QWidget *parent = nullptr);
    void encodeWithCoder(platform::Coder &coder) const;

    QString themeKey() const { return m_themeKey; }
    void setThemeKey(const QString &key);
    std::shared_ptr<const NTXTheme> theme() const;

    unsigned borderSides() const { return m_borderSides; }
    void setBorderSides(unsigned sides) { m_borderSides = sides; }
    // 0 the theme's stroke colour, 1 its dark stroke colour, 2 its grid colour; any
    // other value draws no borders.
    unsigned borderStyle() const { return m_borderStyle; }
    void setBorderStyle(unsigned style) { m_borderStyle = style; }
    // 0 (and above 3) a plain rectangle, 1 corners of radius 4, 2 corners of radius 8
    // on the max-y side only, 3 on the min-y side only.
    unsigned pathStyle() const { return m_pathStyle; }
    void setPathStyle(unsigned style) { m_pathStyle = style; }
    // Custom backgrounds, each drawn at its angle over a black shade that fades
    // towards the max-x side, and faded the same way. None: the theme's gradient.
    std::optional<platform::Gradient> activeBackgroundGradient() const { return m_activeGradient; }
    void setActiveBackgroundGradient(const std::optional<platform::Gradient> &gradient) { m_activeGradient = gradient; }
    qreal activeBackgroundGradientAngle() const { return m_activeAngle; }
    void setActiveBackgroundGradientAngle(qreal angle) { m_activeAngle = angle; }
    std::optional<platform::Gradient> inactiveBackgroundGradient() const { return m_inactiveGradient; }
    void setInactiveBackgroundGradient(const std::optional<platform::Gradient> &gradient)
    {
        m_inactiveGradient = gradient;
    }
    qreal inactiveBackgroundGradientAngle() const { return m_inactiveAngle; }
    void setInactiveBackgroundGradientAngle(qreal angle) { m_inactiveAngle = angle; }
    bool respectWindowState() const { return m_respectWindowState; }
    void setRespectWindowState(bool respect) { m_respectWindowState = respect; }
    bool isActive() const { return m_isActive; }
    void setActive(bool active) { m_isActive = active; }

    // Whether the view draws its active look now.
    bool drawsActiveLook() const;

    // Gives every control inside the dark background style when the theme is dark.
    void awakeFromNib();

    // ---- Bindings ----
    // "isActive" is observed here (its value applied at once); other bindings are kept
    // through platform::bind(). Either way the view repaints.
    void bind(const QString &binding, platform::KeyValueObservable *object, const QString &keyPath,
              const QVariantMap &options = {});
    void unbind(const QString &binding);
    std::optional<platform::BindingInfo> infoForBinding(const QString &binding) const;

    // The drawing, in y-up coordinates of the view's bounds.
    void drawRect(QPainter &painter) const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;
    void childEvent(QChildEvent *event) override;

private:
    struct Decoded {};
    NTXTBorderedView(Decoded, QWidget *parent);
    void isActiveBindingChanged();
    void applyDarkBackgroundToControls();

    QString m_themeKey;
    unsigned m_borderSides = 0;
    unsigned m_borderStyle = 0;
    unsigned m_pathStyle = 0;
    std::optional<platform::Gradient> m_activeGradient;
    qreal m_activeAngle = 0;
    std::optional<platform::Gradient> m_inactiveGradient;
    qreal m_inactiveAngle = 0;
    bool m_respectWindowState = false;
    bool m_isActive = true;
    std::unique_ptr<platform::BindingObserver> m_isActiveObserver;
};
