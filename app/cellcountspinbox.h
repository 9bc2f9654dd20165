#pragma once

#include <QSpinBox>

// A spin box for a number of map cells. A number typed beyond the range is
// taken as the nearest limit when editing ends, instead of refusing the
// keystroke that crossed it: typing 999 into a box limited to 255 gives 255,
// not 99.
class CellCountSpinBox : public QSpinBox
{
    Q_OBJECT

public:
    explicit CellCountSpinBox(QWidget* parent = nullptr);
    ~CellCountSpinBox() override;

protected:
    QValidator::State validate(QString& text, int& pos) const override;
    void fixup(QString& text) const override;
};
