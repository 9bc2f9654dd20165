#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class QSpinBox;

// Asks for a new map size in cells, 1 to 255 in each direction. The caller
// presets it with setValues(), runs it with exec() and, on acceptance, reads
// the two spin boxes.
class ResizeDialog : public QDialog
{
    Q_OBJECT

public:
    explicit ResizeDialog(QWidget* parent = nullptr);
    ~ResizeDialog() override;

    // Values outside 1 to 255 are clamped by the spin boxes.
    void setValues(int x, int y);

    QSpinBox* xSpinBox = nullptr;
    QSpinBox* ySpinBox = nullptr;
    QLabel* xLabel = nullptr;
    QLabel* yLabel = nullptr;
    QPushButton* okButton = nullptr;
    QPushButton* cancelButton = nullptr;
};
