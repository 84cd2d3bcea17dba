#pragma once
// A formatter turns a value into the text a control shows and reads typed text back
// into a value. Subclasses own only their settings; copies are independent (clone()).
// Not thread-safe: one formatter is used by one thread at a time. Reading reports a
// refusal by answering false with a short error text; the out value is then untouched.
#include <QString>
#include <QVariant>
#include <memory>

namespace platform {

class Formatter
{
public:
    virtual ~Formatter();

    virtual std::unique_ptr<Formatter> clone() const = 0;

    // The text for a value ("" for none).
    virtual QString stringForObjectValue(const QVariant &value) const = 0;
    // Reads a text: true with the value, or false with a reason in *error (when given).
    virtual bool getObjectValue(QVariant &value, const QString &text, QString *error) const = 0;

protected:
    Formatter() = default;
    Formatter(const Formatter &) = default;
    Formatter &operator=(const Formatter &) = default;
};

} // namespace platform
