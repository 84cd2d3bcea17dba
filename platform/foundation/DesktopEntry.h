#pragma once
// A desktop entry file (freedesktop.org Desktop Entry format): the keys of its
// "[Desktop Entry]" group, and the quoting of an Exec line's arguments both ways.
// A value object; reading is a pure function of the bytes and never throws. Entries
// are outside bytes: larger than MaxBytes, not UTF-8, or without the group are
// refused (nothing). Values are unescaped (\s \n \t \r \\) on reading and escaped
// on writing; keys with a locale ("Name[de]") are kept as written.
// Threads: reentrant; no shared state, so separate values may be used on any thread.
#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <optional>

namespace platform {

class DesktopEntry
{
public:
    static constexpr qsizetype MaxBytes = 64 * 1024;

    static std::optional<DesktopEntry> parse(const QByteArray &bytes);
    // The file's bytes: the group header and every key in the order set.
    QByteArray toBytes() const;

    // The value of a key ("" and false for *found when missing).
    QString value(const QString &key, bool *found = nullptr) const;
    void setValue(const QString &key, const QString &value);
    bool isHidden() const { return value(QStringLiteral("Hidden")) == QLatin1String("true"); }

    // One Exec argument quoted by the rules (double quotes when it holds a reserved
    // character, with \ " ` $ escaped inside; "%" doubled).
    static QString quoteExecArgument(const QString &argument);
    static QString execLine(const QStringList &arguments);
    // The arguments of an Exec value (already unescaped as a string): quotes removed,
    // "%%" read as "%", field codes (%f, %u …) dropped. Nothing for a broken line
    // (an open quote, a bad escape, an unknown field code).
    static std::optional<QStringList> execArguments(const QString &exec);

private:
    QList<QPair<QString, QString>> m_values;
};

} // namespace platform
