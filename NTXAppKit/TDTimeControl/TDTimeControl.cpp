#include "NTXAppKit/TDTimeControl/TDTimeControl.h"

#include "NTXAppKit/TDTimeControl/TDStepper.h"
#include "platform/foundation/Clock.h"

#include <QApplication>
#include <QLineEdit>
#include <cmath>

TDTimeControl::TDTimeControl(QWidget *parent)
    : TDFieldControl(parent)
{
    m_alignStepper = true;
    m_showSeconds = true;
    m_appearance = AutomaticAppearance;
    finishInit();
}

TDTimeControl::~TDTimeControl() = default;

void TDTimeControl::finishInit()
{
    determineTimeFormatInfo();
    m_selected = 0;
    m_isUsingFieldEditor = false;
    setDate(platform::Clock::now());
    m_oldStepperValue = 0;
    setEnabled(true);
    _interiorDesign();
}

void TDTimeControl::encodeWithCoder(platform::Coder &coder) const
{
    if (!coder.allowsKeyedCoding())
        return;
    coder.encodeBool(m_showSeconds, QStringLiteral("showSeconds"));
    coder.encodeBool(m_alignStepper, QStringLiteral("alignStepper"));
    coder.encodeInt32(m_appearance, QStringLiteral("appearance"));
}

bool TDTimeControl::initWithCoder(platform::Coder &coder)
{
    if (!coder.allowsKeyedCoding())
        return false;
    const bool showSeconds = coder.decodeBool(QStringLiteral("showSeconds"));
    const bool alignStepper = coder.decodeBool(QStringLiteral("alignStepper"));
    const qint32 appearance = coder.decodeInt32(QStringLiteral("appearance"));
    if (coder.failed())
        return false;
    if (m_isUsingFieldEditor)
        editOff();
    m_showSeconds = showSeconds;
    m_alignStepper = alignStepper;
    m_appearance = appearance;
    finishInit();
    return true;
}

void TDTimeControl::determineTimeFormatInfo()
{
    m_fields.determineTimeFormatInfo(locale());
}

void TDTimeControl::localeDidChange()
{
    determineTimeFormatInfo();
    _interiorDesign();
    updateStepperValue();
}

QDateTime TDTimeControl::date() const
{
    return m_fields.date();
}

void TDTimeControl::setDate(const QDateTime &date)
{
    m_fields.setDate(date);
    updateCells();
}

void TDTimeControl::setShowSeconds(bool show)
{
    if (show == m_showSeconds)
        return;
    if (m_isUsingFieldEditor)
        editOff();
    m_showSeconds = show;
    if (!show && m_selected == TDTimeFields::SecondField)
        m_selected = TDTimeFields::MinuteField;
    _interiorDesign();
    update();
}

QFont TDTimeControl::fieldFont()
{
    QFont font = QApplication::font();
    font.setPixelSize(13);
    return font;
}

void TDTimeControl::_interiorDesign()
{
    disposeCells();
    const QFont font = fieldFont();
    m_cells[TDTimeFields::HourField] = makeFieldCell(font);
    m_cells[TDTimeFields::MinuteField] = makeFieldCell(font);
    if (m_showSeconds)
        m_cells[TDTimeFields::SecondField] = makeFieldCell(font);
    if (!m_fields.is24Hour())
        m_cells[TDTimeFields::AmPmField] = makeFieldCell(font);
    m_cellsCount = 2 + (m_showSeconds ? 1 : 0) + (m_fields.is24Hour() ? 0 : 1);
    m_colonCellsCount = m_showSeconds ? 2 : 1;
    for (int i = 0; i < m_colonCellsCount; ++i)
        m_colonCells[size_t(i)] = makeSeparatorCell(m_fields.formatInfo().timeSeparator, font);
    for (auto &cell : m_cells) {
        if (cell)
            cell->setEnabled(isEnabled());
    }
    if (!fieldCell(m_selected))
        m_selected = TDTimeFields::HourField;
    sizeToFit();
    updateCells();
    alignStepperIfWanted();
}

void TDTimeControl::sizeToFit()
{
    platform::Cell probe(QString{});
    probe.setFont(fieldFont());
    probe.setStringValue(QStringLiteral("99"));
    const QSizeF digits = probe.cellSize();
    const qreal dw = digits.width();
    const qreal dh = digits.height();
    const qreal margin = isFlatAppearance() ? 3.5 : 6.5;
    qreal width = margin + 2 * dw + (m_showSeconds ? dw : 0);
    const qreal height = 12 + std::floor(dh);
    qreal aw = 0;
    qreal ah = 0;
    if (!m_fields.is24Hour()) {
        probe.setStringValue(m_fields.formatInfo().amStr);
        aw = probe.cellSize().width();
        probe.setStringValue(m_fields.formatInfo().pmStr);
        aw = std::max(aw, probe.cellSize().width());
        ah = probe.cellSize().height();
        width += aw;
    }
    probe.setStringValue(m_fields.formatInfo().timeSeparator);
    const QSizeF separator = probe.cellSize();
    const qreal sw = separator.width();
    const qreal sh = separator.height();
    width += m_colonCellsCount * sw;

    m_rects[TDTimeFields::HourField] = QRectF(3.5, 9, dw, dh);
    m_colonRects[0] = QRectF(std::floor(3.5 + dw) - 0.5, 9, sw, sh);
    m_rects[TDTimeFields::MinuteField] = QRectF(std::floor(m_colonRects[0].x() + sw) - 0.5, 9, dw, dh);
    qreal lastX = m_rects[TDTimeFields::MinuteField].x();
    if (m_showSeconds) {
        m_colonRects[1] = QRectF(std::floor(m_rects[TDTimeFields::MinuteField].x() + dw) - 0.5, 9, sw, sh);
        m_rects[TDTimeFields::SecondField] = QRectF(std::floor(m_colonRects[1].x() + sw - 0.5), 9, dw, dh);
        lastX = m_rects[TDTimeFields::SecondField].x();
    }
    if (!m_fields.is24Hour())
        m_rects[TDTimeFields::AmPmField] = QRectF(std::floor(lastX + dw) - 0.5, 9, aw, ah);
    setFittedSize(QSize(int(std::floor(width)), int(height)));
}

void TDTimeControl::_alignStepper()
{
    if (!stepper())
        return;
    stepper()->move(int(std::floor(x() + width() + 3)), int(std::floor(y() - 2.0)));
}

QString TDTimeControl::selectedFieldText() const
{
    return m_fields.fieldText(m_selected);
}

void TDTimeControl::applyFieldTexts()
{
    for (int i = 0; i < TDTimeFields::FieldCount; ++i) {
        if (platform::Cell *cell = fieldCell(i))
            cell->setStringValue(m_fields.fieldText(i));
    }
}

void TDTimeControl::updateCells()
{
    TDFieldControl::updateCells();
}

bool TDTimeControl::textViewShouldChangeTextInRange(platform::Range range, const QString &replacement)
{
    const QString text = fieldEditor() ? fieldEditor()->text() : QString();
    const TDTimeFields::FilterResult result = m_fields.shouldChangeText(m_selected, text, range, replacement);
    if (result.replaceWhole && fieldEditor()) {
        fieldEditor()->setText(result.replacement);
        fieldEditor()->selectAll();
    }
    if (result.accept && stepper()) {
        const int field = m_selected;
        if (result.hasValue && result.value >= TDTimeFields::stepperMinimum(field)
            && result.value <= TDTimeFields::stepperMaximum(field))
            stepper()->setValue(result.value);
        else
            stepper()->setValue(m_stepperMidValue);
    }
    return result.accept;
}

bool TDTimeControl::acceptNewValueInSelectedCell(QLineEdit *editor)
{
    const platform::Cell *hourCell = fieldCell(TDTimeFields::HourField);
    const platform::Cell *amPmCell = fieldCell(TDTimeFields::AmPmField);
    const bool taken = m_fields.acceptNewValue(m_selected, editor ? editor->text() : QString(),
                                               hourCell ? hourCell->stringValue() : QString(),
                                               amPmCell ? amPmCell->stringValue() : QString());
    if (taken)
        updateCells();
    return taken;
}

void TDTimeControl::updateStepperValue()
{
    TDStepper *s = stepper();
    if (!s)
        return;
    s->setMinValue(TDTimeFields::stepperMinimum(m_selected));
    s->setMaxValue(TDTimeFields::stepperMaximum(m_selected));
    s->setValue(m_fields.stepperValue(m_selected));
    m_stepperMidValue = s->doubleValue();
    m_oldStepperValue = s->intValue();
}

void TDTimeControl::handleStepperClick(QObject *)
{
    TDStepper *s = stepper();
    if (!s)
        return;
    const int newValue = s->intValue();
    m_fields.step(m_selected, m_oldStepperValue, newValue, int(s->minValue()), int(s->maxValue()));
    updateCells();
    m_oldStepperValue = newValue;
    sendControlAction();
}

void TDTimeControl::stepSelectedField(bool up)
{
    if (!isEnabled() || !fieldCell(m_selected))
        return;
    m_fields.stepField(m_selected, up);
    updateCells();
    updateStepperValue();
    sendControlAction();
}
