#pragma once

#include <QLocale>
#include <QString>
#include <optional>

namespace Sheetwright {

// Converts a length in points to the text of one display unit and back. The text shows
// points × multiplier (at most three fraction digits, grouped, the suffix only on non-negative numbers);
// a typed number is divided by the multiplier before it reaches the model, which holds only points.
class UnitFormatter {
public:
    UnitFormatter(QString suffix, double multiplier, bool allowsFractions);

    const QString& positiveSuffix() const { return m_suffix; }
    double multiplier() const { return m_multiplier; }
    bool allowsFractions() const { return m_allowsFractions; }

    QString format(double points, const QLocale& locale = QLocale()) const;

    // The points that `text` stands for, or nothing when it does not parse: a trailing copy of this
    // unit's suffix is optional, non-finite numbers are refused, and without fractions only whole
    // numbers are taken.
    std::optional<double> parse(const QString& text, const QLocale& locale = QLocale()) const;

private:
    QString m_suffix;
    double m_multiplier;
    bool m_allowsFractions;
};

} // namespace Sheetwright
