// The headers most of the project's sources include, parsed once per library and
// test program instead of once per source (cmake/Chronark.cmake,
// chronark_precompile_headers). Only what the target's include path offers is taken,
// so a library that links Qt Core alone gets Qt Core alone. Sources still include
// what they use: a source that compiles only with this header is wrong.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVariant>
#if __has_include(<QPainter>)
#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#endif
#if __has_include(<QWidget>)
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QWidget>
#endif
#ifdef CHRONARK_PRECOMPILED_TESTS
#include <gtest/gtest.h>
#if __has_include(<QTest>)
#include <QSignalSpy>
#include <QTest>
#endif
#endif
