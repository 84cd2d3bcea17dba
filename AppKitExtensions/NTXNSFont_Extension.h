#pragma once
// The name of a font as people read it: family and style.
#include <QFont>
#include <QString>

namespace NTXNSFont_Extension {

// The family name, a blank and the font's style name within its family ("DejaVu Sans
// Bold Oblique"), trimmed; the family alone when the family has no such style.
QString fullDisplayName(const QFont &font);

} // namespace NTXNSFont_Extension
