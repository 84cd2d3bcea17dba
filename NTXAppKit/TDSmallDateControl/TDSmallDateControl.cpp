#include "NTXAppKit/TDSmallDateControl/TDSmallDateControl.h"

#include "NTXAppKit/TDTimeControl/TDLocaleFormats.h"
#include "NTXAppKit/TDTimeControl/TDStepper.h"

#include <QApplication>
#include <QLineEdit>
#include <cmath>

TDSmallDateControl::TDSmallDateControl(QWidget *parent)
    : TDFieldControl(parent)
{
    m_alignStepper = true;
    m_appearance = AutomaticAppearance;
    finishInit();
}

TDSmallDateControl::~TDSmallDateControl() = default;

void TDSmallDateControl::finishInit()
{
    m_isUsingFieldEditor = false;
    m_fields.setDay(1);
    m_fields.setMonth(1);
    m_fields.setYear(2000);
    setEnabled(true);
    determineDateFormatInfo();
    m_selected = 0;
    _interiorDesign();
}

void TDSmallDateControl::determineDateFormatInfo()
{
    const TDLocaleFormats::DateFormatInfo info = TDLocaleFormats::dateFormatInfo(locale());
    m_dateSeparator = info.dateSeparator.isEmpty() ? QStringLiteral(".") : info.dateSeparator;
    TDLocaleFormats::positionsForDateOrder(info.dateOrder, m_dayLocation, m_monthLocation, m_yearLocation);
}

void TDSmallDateControl::localeDidChange()
{
    determineDateFormatInfo();
    _interiorDesign();
    updateStepperValue();
}

QDateTime TDSmallDateControl::date() const
{
    return m_fields.date();
}

void TDSmallDateControl::setDate(const QDateTime &date)
{
    m_fields.setDate(date);
    updateCells();
}

void TDSmallDateControl::setDay(int day)
{
    m_fields.setDay(day);
}

void TDSmallDateControl::setMonth(int month)
{
    const int before = m_fields.day();
    m_fields.setMonth(month);
    if (m_fields.day() != before)
        update();
}

void TDSmallDateControl::setYear(int year)
{
    const int before = m_fields.day();
    m_fields.setYear(year);
    if (m_fields.day() != before)
        update();
}

int TDSmallDateControl::fieldAtPosition(int position) const
{
    if (const platform::Cell *cell = fieldCell(position))
        return cell->tag();
    return -1;
}

int TDSmallDateControl::selectedField() const
{
    return fieldAtPosition(m_selected);
}

QFont TDSmallDateControl::fieldFont()
{
    QFont font = platform::Cell::systemFontForControlSize(platform::Cell::ControlSize::Small);
    font.setPixelSize(11);
    return font;
}

void TDSmallDateControl::_interiorDesign()
{
    disposeCells();
    const QFont font = fieldFont();
    for (int i = 0; i < TDDateFields::FieldCount; ++i) {
        m_cells[size_t(i)] = makeFieldCell(font);
        m_cells[size_t(i)]->setControlSize(platform::Cell::ControlSize::Small);
        m_cells[size_t(i)]->setEnabled(isEnabled());
    }
    m_cells[size_t(m_dayLocation)]->setTag(TDDateFields::DayField);
    m_cells[size_t(m_monthLocation)]->setTag(TDDateFields::MonthField);
    m_cells[size_t(m_yearLocation)]->setTag(TDDateFields::YearField);
    for (int i = 0; i < 2; ++i) {
        m_colonCells[size_t(i)] = makeSeparatorCell(m_dateSeparator, font);
        m_colonCells[size_t(i)]->setControlSize(platform::Cell::ControlSize::Small);
    }
    m_cellsCount = 3;
    m_colonCellsCount = 2;
    if (m_selected < 0 || m_selected > 2)
        m_selected = 0;
    sizeToFit();
    updateCells();
    alignStepperIfWanted();
}

void TDSmallDateControl::sizeToFit()
{
    platform::Cell probe(QString{});
    probe.setFont(fieldFont());
    probe.setStringValue(QStringLiteral("99"));
    const QSizeF digits = probe.cellSize();
    probe.setStringValue(QStringLiteral("9999"));
    const QSizeF yearSize = probe.cellSize();
    probe.setStringValue(m_dateSeparator);
    const QSizeF separator = probe.cellSize();
    const qreal margin = isFlatAppearance() ? 1 : 2;
    const qreal width = margin + 2 * digits.width() + yearSize.width() + 2 * separator.width();
    const qreal height = 13 + std::floor(digits.height());

    QSizeF sizes[3];
    for (int position = 0; position < 3; ++position)
        sizes[position] = fieldAtPosition(position) == TDDateFields::YearField ? yearSize : digits;
    m_rects[0] = QRectF(QPointF(1, 9), sizes[0]);
    m_colonRects[0] = QRectF(QPointF(std::floor(1 + sizes[0].width()) - 0.5, 9), separator);
    m_rects[1] = QRectF(QPointF(std::floor(m_colonRects[0].x() + separator.width()) - 0.5, 9), sizes[1]);
    m_colonRects[1] = QRectF(QPointF(std::floor(m_rects[1].x() + sizes[1].width()) - 0.5, 9), separator);
    m_rects[2] = QRectF(QPointF(std::floor(m_colonRects[1].x() + separator.width() - 0.5), 9), sizes[2]);
    setFittedSize(QSize(int(std::floor(width)), int(height)));
}

void TDSmallDateControl::_alignStepper()
{
    if (!stepper())
        return;
    stepper()->move(int(std::floor(x() + width() + 2)), int(std::floor(double(y()))));
}

QString TDSmallDateControl::selectedFieldText() const
{
    return m_fields.fieldText(selectedField());
}

void TDSmallDateControl::applyFieldTexts()
{
    for (int i = 0; i < TDDateFields::FieldCount; ++i) {
        if (platform::Cell *cell = fieldCell(i))
            cell->setStringValue(m_fields.fieldText(cell->tag()));
    }
}

bool TDSmallDateControl::textViewShouldChangeTextInRange(platform::Range range, const QString &replacement)
{
    const int field = selectedField();
    const QString text = fieldEditor() ? fieldEditor()->text() : QString();
    const TDDateFields::FilterResult result = m_fields.shouldChangeText(field, text, range, replacement);
    if (result.accept && stepper()) {
        if (result.hasValue && result.value >= m_fields.minimum(field) && result.value <= m_fields.maximum(field))
            stepper()->setValue(result.value);
        else
            stepper()->setValue(m_stepperMidValue);
    }
    return result.accept;
}

bool TDSmallDateControl::acceptNewValueInSelectedCell(QLineEdit *editor)
{
    // A value out of range is dropped; the editing has ended all the same.
    if (m_fields.acceptNewValue(selectedField(), editor ? editor->text() : QString()))
        updateCells();
    return true;
}

void TDSmallDateControl::updateStepperValue()
{
    TDStepper *s = stepper();
    const int field = selectedField();
    if (!s || field < 0)
        return;
    s->setMinValue(m_fields.minimum(field));
    s->setMaxValue(field == TDDateFields::DayField ? TDDaysInMonth(m_fields.month(), m_fields.year())
                                                   : m_fields.maximum(field));
    s->setValue(m_fields.value(field));
    m_stepperMidValue = s->doubleValue();
}

void TDSmallDateControl::handleStepperClick(QObject *)
{
    TDStepper *s = stepper();
    const int field = selectedField();
    if (!s || field < 0)
        return;
    m_fields.setValue(field, s->intValue());
    updateCells();
}

void TDSmallDateControl::stepSelectedField(bool up)
{
    const int field = selectedField();
    if (!isEnabled() || field < 0)
        return;
    m_fields.stepField(field, up);
    updateCells();
    updateStepperValue();
}
