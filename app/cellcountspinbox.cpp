#include "app/cellcountspinbox.h"

CellCountSpinBox::CellCountSpinBox(QWidget* parent)
    : QSpinBox(parent)
{
}

CellCountSpinBox::~CellCountSpinBox() = default;

QValidator::State CellCountSpinBox::validate(QString& text, int& pos) const
{
    const QValidator::State state = QSpinBox::validate(text, pos);
    if (state != QValidator::Invalid)
        return state;
    // An out-of-range number is still on its way to a valid one; fixup()
    // brings it into range when editing ends.
    bool isNumber = false;
    locale().toLongLong(text.trimmed(), &isNumber);
    return isNumber ? QValidator::Intermediate : QValidator::Invalid;
}

void CellCountSpinBox::fixup(QString& text) const
{
    bool isNumber = false;
    const qlonglong number = locale().toLongLong(text.trimmed(), &isNumber);
    if (isNumber)
        text = textFromValue(int(qBound(qlonglong(minimum()), number, qlonglong(maximum()))));
}
