#pragma once
// An image cell in the look of a theme: the image stretched over the frame, upright,
// at the theme's opacity for images on the cell's background style (mask 1 when
// disabled, else 0). With no theme for its key it draws as platform::ImageCell.
// Archiving (keyed): the image cell's settings, then "themeKey". GUI thread.
#include "NTXAppKit/NTXThemeManager/NTXTheme.h"
#include "NTXAppKit/NTXThemeManager/NTXThemedObject.h"
#include "platform/archive/Coding.h"
#include "platform/drawing/ImageCell.h"

class NTXTImageCell : public platform::ImageCell, public NTXThemedObject, public platform::Coding
{
public:
    explicit NTXTImageCell(const QIcon &image = QIcon());
    std::unique_ptr<platform::Cell> clone() const override;

    QString themeKey() const override { return m_themeKey; }
    void setThemeKey(const QString &key) override { m_themeKey = key; }
    std::shared_ptr<const NTXTheme> theme() const;

    void drawInteriorWithFrame(QPainter &painter, const QRectF &frame, QWidget *controlView) const override;

    QString classNameForCoder() const override;
    void encodeWithCoder(platform::Coder &coder) const override;
    bool initWithCoder(platform::Coder &coder) override;

protected:
    NTXTImageCell(const NTXTImageCell &other) = default;

private:
    QString m_themeKey;
};
