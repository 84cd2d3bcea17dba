#pragma once
// The failure that ends a CSV parse: the framework's domain, a code (1 reading or
// decoding, 3 cancelled), a description and, where one caused it, the underlying
// error's text. A plain value.
#include <QString>

struct NTXCSVError
{
    static inline const QString Domain = QStringLiteral("com.chronark.NTXFoundationExtensions");
    enum Code { ReadError = 1, Cancelled = 3 };

    QString domain = Domain;
    int code = 0;
    QString description;
    QString underlyingError;
};
