#pragma once
// A marker bound to a line of an NTXLineNumberRuler: the ruler places it beside its
// line itself, so its location along the ruler stays 0.
//
// Archiving (keyed coders only): the ruler marker's keys, then "line" (the line
// number). A decode whose line is missing or outside 32 bits fails the coder.
// Shared object (std::shared_ptr); GUI thread only.
#include "platform/drawing/RulerMarker.h"

#include <cstdint>

class NTXLineNumberRulerMarker : public platform::RulerMarker
{
public:
    NTXLineNumberRulerMarker() = default;
    // initWithRulerView:lineNumber:image:imageOrigin: the line number is truncated
    // towards zero to a whole number (negative and non-finite ones give 0).
    NTXLineNumberRulerMarker(platform::RulerView *ruler, double lineNumber, const QImage &image,
                             const QPointF &imageOrigin);
    ~NTXLineNumberRulerMarker() override;

    std::shared_ptr<platform::RulerMarker> copy() const override;

    // The 1-based line the marker sits on.
    std::uint32_t lineNumber() const { return m_lineNumber; }
    void setLineNumber(std::uint32_t lineNumber) { m_lineNumber = lineNumber; }

    QString classNameForCoder() const override;
    void encodeWithCoder(platform::Coder &coder) const override;
    bool initWithCoder(platform::Coder &coder) override;

protected:
    NTXLineNumberRulerMarker(const NTXLineNumberRulerMarker &other) = default;

private:
    std::uint32_t m_lineNumber = 0;
};
