#pragma once
// A small hash of byte strings: h = (h << 4) + byte, then the top four bits are
// folded into bits 4…7 (and kept). Zero bytes hash to 0.
#include <QByteArray>
#include <QtGlobal>

quint32 NTXStringHash(const char *bytes, qsizetype length);
quint32 NTXStringHash(const QByteArray &bytes);
