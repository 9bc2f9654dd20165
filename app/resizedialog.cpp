#include "app/resizedialog.h"

#include "app/cellcountspinbox.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

ResizeDialog::ResizeDialog(QWidget* parent)
    : QDialog(parent)
{
    xSpinBox = new CellCountSpinBox;
    ySpinBox = new CellCountSpinBox;
    xSpinBox->setRange(1, 255);
    ySpinBox->setRange(1, 255);

    xLabel = new QLabel(tr("&X:"));
    yLabel = new QLabel(tr("&Y:"));
    xLabel->setBuddy(xSpinBox);
    yLabel->setBuddy(ySpinBox);

    okButton = new QPushButton(tr("OK"));
    cancelButton = new QPushButton(tr("Cancel"));

    auto* xRow = new QHBoxLayout;
    xRow->addWidget(xLabel);
    xRow->addWidget(xSpinBox);
    auto* yRow = new QHBoxLayout;
    yRow->addWidget(yLabel);
    yRow->addWidget(ySpinBox);
    auto* sizeColumn = new QVBoxLayout;
    sizeColumn->addLayout(xRow);
    sizeColumn->addLayout(yRow);
    auto* buttonColumn = new QVBoxLayout;
    buttonColumn->addWidget(okButton);
    buttonColumn->addWidget(cancelButton);
    auto* outerRow = new QHBoxLayout;
    outerRow->addLayout(sizeColumn);
    outerRow->addLayout(buttonColumn);
    setLayout(outerRow);

    connect(okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);

    setWindowTitle(tr("Resize current set"));
    // A window manager cuts a title wider than its window. Title bars mostly
    // show it in a bold font, beside an icon and three buttons each about as
    // wide as the bar is high, some two lines of text.
    QFont titleFont = font();
    titleFont.setBold(true);
    const QFontMetrics title(titleFont);
    setMinimumWidth(title.horizontalAdvance(windowTitle()) + 8 * title.height());
}

ResizeDialog::~ResizeDialog() = default;

void ResizeDialog::setValues(int x, int y)
{
    xSpinBox->setValue(x);
    ySpinBox->setValue(y);
}
