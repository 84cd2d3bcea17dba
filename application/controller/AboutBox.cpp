#include "application/controller/AboutBox.h"

#include "AppKitExtensions/NTXNSAlertExtensions.h"
#include "NTXAppKit/NTXURLClickField/NTXURLClickField.h"
#include "application/base/ApplicationImages.h"
#include "application/base/BuildInfo.h"
#include "platform/drawing/ScreenFit.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/ExceptionBoundary.h"
#include "platform/foundation/GeometryText.h"
#include "platform/foundation/UserDefaults.h"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

namespace {

// Frames larger than this (in either direction) are not believed.
constexpr qreal MaxFrameExtent = 100000.0;
constexpr int IconSide = 64;

} // namespace

QString AboutBox::frameDefaultsKey(const QString &autosaveName)
{
    return QStringLiteral("NSWindow Frame ") + autosaveName;
}

AboutBox::AboutBox(platform::UserDefaults *defaults, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , m_defaults(defaults)
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(platform::localized(QStringLiteral("VSaboutTitle")));

    // the window's views (the interface of the box)
    m_iconView = new QLabel(this);
    m_iconView->setObjectName(QStringLiteral("iconView"));
    m_iconView->setFixedSize(IconSide, IconSide);
    const QImage icon = ApplicationImages::imageNamed(QStringLiteral("application.icns"), devicePixelRatioF());
    if (!icon.isNull()) {
        QPixmap pixmap = QPixmap::fromImage(
            icon.scaled(QSize(IconSide, IconSide) * devicePixelRatioF(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
        pixmap.setDevicePixelRatio(devicePixelRatioF());
        m_iconView->setPixmap(pixmap);
    }

    m_nameField = new QLabel(QStringLiteral(CHRONARK_BUNDLE_NAME), this);
    m_nameField->setObjectName(QStringLiteral("nameField"));
    QFont nameFont = m_nameField->font();
    nameFont.setBold(true);
    nameFont.setPointSizeF(nameFont.pointSizeF() * 1.4);
    m_nameField->setFont(nameFont);

    m_versionString = new QLabel(this);
    m_versionString->setObjectName(QStringLiteral("versionString"));
    m_versionString->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_copyrightString = new QLabel(this);
    m_copyrightString->setObjectName(QStringLiteral("copyrightString"));
    m_copyrightString->setWordWrap(true);
    QFont smallFont = m_copyrightString->font();
    smallFont.setPointSizeF(smallFont.pointSizeF() * 11.0 / 13.0);
    m_copyrightString->setFont(smallFont);

    m_urlField = new NTXURLClickField(this);
    m_urlField->setObjectName(QStringLiteral("urlField"));
    m_urlField->setURLString(SupportAddress);
    m_urlField->setStringValue(QUrl(SupportAddress).path());
    m_urlField->setToolTip(platform::localized(QStringLiteral("VSwriteeMail")));
    m_urlField->sizeToFit();
    m_urlField->setFixedSize(m_urlField->sizeHint());

    m_closeButton = new QPushButton(platform::localized(QStringLiteral("VSok")), this);
    m_closeButton->setObjectName(QStringLiteral("closeButton"));
    m_closeButton->setDefault(true);
    m_closeButton->setAutoDefault(true);
    connect(m_closeButton, &QPushButton::clicked, this,
        platform::ExceptionBoundary::guarded(this, "clicked", [this] { closeDialog(m_closeButton); }));

    auto *texts = new QVBoxLayout;
    texts->setSpacing(4);
    texts->addWidget(m_nameField);
    texts->addWidget(m_versionString);
    texts->addSpacing(8);
    texts->addWidget(m_copyrightString);
    texts->addWidget(m_urlField);
    texts->addStretch(1);

    auto *top = new QHBoxLayout;
    top->setSpacing(16);
    top->addWidget(m_iconView, 0, Qt::AlignTop);
    top->addLayout(texts, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_closeButton);

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(20, 20, 20, 16);
    outer->addLayout(top, 1);
    outer->addLayout(buttons);

    awakeFromNib();
    resize(sizeHint().expandedTo(QSize(380, 0)));
    setFrameAutosaveName(FrameAutosaveName);
}

AboutBox::~AboutBox() = default;

platform::UserDefaults &AboutBox::defaults() const
{
    return m_defaults ? *m_defaults : platform::UserDefaults::standardUserDefaults();
}

void AboutBox::awakeFromNib()
{
    m_versionString->setText(versionText());
    m_copyrightString->setText(platform::localized(QStringLiteral("VScopyright")));
}

QString AboutBox::shortVersionString()
{
    return QStringLiteral(CHRONARK_VERSION_STRING);
}

QString AboutBox::buildVersionString()
{
#ifdef CHRONARK_BUILD_VERSION
    return QStringLiteral(CHRONARK_BUILD_VERSION);
#else
    // builds that carry no build number of their own are numbered by their version
    return QStringLiteral(CHRONARK_VERSION_STRING);
#endif
}

QString AboutBox::versionText()
{
    return NTXNSAlertExtensions::formatText(
        QStringLiteral("%@ %@ (%@)"),
        {platform::localized(QStringLiteral("VSversion")), shortVersionString(), buildVersionString()});
}

void AboutBox::setURLOpener(URLOpener opener)
{
    m_opener = std::move(opener);
}

void AboutBox::showWindow(QObject *)
{
    show();
    raise();
    activateWindow();
}

void AboutBox::writeeMail(QObject *)
{
    const QUrl address(SupportAddress, QUrl::StrictMode);
    if (!address.isValid())
        return;
    if (m_opener)
        m_opener(address);
    else
        QDesktopServices::openUrl(address);
}

void AboutBox::closeDialog(QObject *)
{
    close();
}

// ---- Frame autosave ----

void AboutBox::setFrameAutosaveName(const QString &name)
{
    m_autosaveName = name;
    if (!name.isEmpty())
        setFrameUsingName(name);
}

bool AboutBox::setFrameUsingName(const QString &name)
{
    if (name.isEmpty())
        return false;
    const QString text = defaults().stringForKey(frameDefaultsKey(name));
    if (text.isEmpty())
        return false;
    const QRectF saved = platform::GeometryText::rectFromString(text);
    if (!(saved.width() >= 1 && saved.height() >= 1 && saved.width() <= MaxFrameExtent
          && saved.height() <= MaxFrameExtent && std::fabs(saved.x()) <= MaxFrameExtent
          && std::fabs(saved.y()) <= MaxFrameExtent))
        return false;
    const QRect frame = saved.toAlignedRect();
    m_restoringFrame = true;
    // Fitted to the screens there are now, title bar and borders included: a frame
    // saved on a larger screen (or at a smaller scale factor) shrinks to this one, a
    // frame on no screen any more keeps its size but not its place.
    const QMargins decorations = platform::ScreenFit::decorationMargins(this);
    setGeometry(platform::ScreenFit::fittedClientGeometry(frame.marginsAdded(decorations), decorations));
    platform::ScreenFit::fitWindowFrameWhenFramed(this);
    m_restoringFrame = false;
    return true;
}

void AboutBox::saveFrameUsingName()
{
    if (m_autosaveName.isEmpty())
        return;
    defaults().setString(platform::GeometryText::stringFromRect(QRectF(geometry())), frameDefaultsKey(m_autosaveName));
}

void AboutBox::moveEvent(QMoveEvent *event)
try {
    QWidget::moveEvent(event);
    if (isVisible() && !m_restoringFrame)
        saveFrameUsingName();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "moveEvent");
}

void AboutBox::resizeEvent(QResizeEvent *event)
try {
    QWidget::resizeEvent(event);
    if (isVisible() && !m_restoringFrame)
        saveFrameUsingName();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "resizeEvent");
}

void AboutBox::hideEvent(QHideEvent *event)
try {
    QWidget::hideEvent(event);
    if (!event->spontaneous())
        saveFrameUsingName();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "hideEvent");
}
