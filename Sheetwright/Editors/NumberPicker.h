#pragma once

#include <QComboBox>

namespace Sheetwright {

// A pop-up list of numbered options that can also show no selection: a stored value that none of the
// options stands for (from a saved layout, say) is shown as an empty box and kept as it is.
class NumberPicker : public QComboBox {
    Q_OBJECT
public:
    explicit NumberPicker(QWidget* parent = nullptr);

    void addOption(const QString& text, double value);
    // Selects the option of exactly `value`, or none; never emits `valueChosen`.
    void setValue(double value);
    double optionValue(int index) const;

signals:
    // The user chose an option (also when it was already selected).
    void valueChosen(double value);
};

} // namespace Sheetwright
