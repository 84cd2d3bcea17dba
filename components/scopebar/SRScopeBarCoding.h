#pragma once
// The archive object of a scope bar. A bar is a widget that its parent owns, so
// the archive holds this small object instead: made for an existing bar it writes
// that bar's keys (and the groups' references to their bar point to it); made by
// the unarchiver it creates a bar without defaults, reads the keys into it and
// hands it over with takeBar().
//
// Ownership: a decoded bar is owned here until takeBar(); a failed decode frees it
// with this object, so no half-built bar is ever handed out. Made for an existing
// bar it owns nothing (the pointer is cleared when the bar goes).
// Threads: GUI thread only (it makes a widget).
// Failures: only keyed coders: any other coder gives no bar; a value of the wrong
// kind or a groups element that is no group fails the whole decode.
#include "platform/archive/Coding.h"

#include <QByteArray>
#include <QPointer>
#include <QString>
#include <memory>
#include <optional>

class SRScopeBar;

class SRScopeBarCoding : public platform::Coding
{
public:
    // For the unarchiver: a new bar to read into.
    SRScopeBarCoding();
    // The archive object of an existing bar.
    explicit SRScopeBarCoding(SRScopeBar *bar);
    ~SRScopeBarCoding() override;

    SRScopeBar *bar() const { return m_bar; }
    // The decoded bar, once; null unless a decode succeeded.
    std::unique_ptr<SRScopeBar> takeBar();

    QString classNameForCoder() const override { return QStringLiteral("SRScopeBar"); }
    void encodeWithCoder(platform::Coder &coder) const override;
    bool initWithCoder(platform::Coder &coder) override;

    // A keyed archive of the bar under "root", or none with a reason.
    static std::optional<QByteArray> archivedData(SRScopeBar &bar, QString *error = nullptr);
    // The bar of such an archive, or null with a reason.
    static std::unique_ptr<SRScopeBar> unarchivedBar(const QByteArray &data, QString *error = nullptr);

private:
    QPointer<SRScopeBar> m_bar;
    std::unique_ptr<SRScopeBar> m_owned;
    bool m_decoded = false;
};
