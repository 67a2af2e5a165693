#include "NumberPicker.h"

#include <QSignalBlocker>

namespace Sheetwright {

NumberPicker::NumberPicker(QWidget* parent) : QComboBox(parent)
{
    connect(this, &QComboBox::activated, this, [this](int index) {
        if (index >= 0)
            emit valueChosen(optionValue(index));
    });
}

void NumberPicker::addOption(const QString& text, double value)
{
    const QSignalBlocker blocker(this);
    addItem(text, value);
}

void NumberPicker::setValue(double value)
{
    int found = -1;
    for (int i = 0; i < count(); ++i)
        if (optionValue(i) == value) {
            found = i;
            break;
        }
    const QSignalBlocker blocker(this);
    setCurrentIndex(found);
}

double NumberPicker::optionValue(int index) const
{
    return itemData(index).toDouble();
}

} // namespace Sheetwright
