#include "PageSizeView.h"

#include "KestrelExtensions/Defaults/UserDefaults.h"
#include "KestrelExtensions/Localization/Localized.h"
#include "LabelledView.h"
#include "RuvedovUzedoz/Layouts/PageLayout.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <functional>

using KestrelExtensions::Binding;
using KestrelExtensions::localized;

namespace Sheetwright {

namespace {

// A line edit over a length in points, shown through the current unit's formatter.
class PointsField : public QLineEdit {
public:
    PointsField(Binding<double> value, std::function<bool(double)> accepts,
                std::function<const UnitFormatter&()> formatter, QWidget* parent = nullptr)
        : QLineEdit(parent), m_value(std::move(value)), m_accepts(std::move(accepts)),
          m_formatter(std::move(formatter))
    {
        connect(this, &QLineEdit::editingFinished, this, [this] { commit(); });
        m_value.onChange(this, [this] { show(); });
        show();
    }

    // Shows the stored value; leaves the text (and cursor) alone when it already reads so.
    void show()
    {
        const QString text = m_formatter().format(m_value.get());
        if (text != this->text()) {
            const QSignalBlocker blocker(this);
            setText(text);
        }
        setModified(false);
    }

private:
    void commit()
    {
        // Return on unchanged text, or text that still reads as the stored value, writes nothing: a
        // re-parsed value could differ in its last bits and count as a change.
        if (!isModified() || text() == m_formatter().format(m_value.get())) {
            show();
            return;
        }
        const auto points = m_formatter().parse(text());
        if (points && m_accepts(*points))
            m_value.set(*points);
        show();
    }

    Binding<double> m_value;
    std::function<bool(double)> m_accepts;
    std::function<const UnitFormatter&()> m_formatter;
};

} // namespace

PageSizeView::PageSizeView(Binding<double> width, Binding<double> height, Binding<double> margin,
                           KestrelExtensions::UserDefaults* defaults, QWidget* parent)
    : QWidget(parent), m_defaults(defaults ? defaults : &KestrelExtensions::UserDefaults::standard())
{
    auto unitFormatter = [this]() -> const UnitFormatter& { return formatter(selectedUnit()); };
    using RuvedovUzedoz::PageLayout;
    // The sides the renderer takes, no more and no less.
    auto isSide = [](double points) { return PageLayout::isRenderableSide(points); };
    auto isMargin = [](double points) { return points >= 0 && points <= PageLayout::maximumSide; };

    QList<PointsField*> fields;
    auto labelled = [&](const char* title, const char* name, const char* help, Binding<double> value,
                        std::function<bool(double)> accepts) {
        auto* field = new PointsField(std::move(value), std::move(accepts), unitFormatter);
        field->setObjectName(QString::fromLatin1(name));
        field->setAlignment(Qt::AlignCenter);
        fields.append(field);
        auto* view = new LabelledView(QString::fromUtf8(title), field, this);
        view->setStretchesControl(true);
        view->setMinimumWidth(85);
        field->setMinimumWidth(85);
        view->setToolTip(localized(help));
        return view;
    };

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(labelled("Width", "widthField", "Set the page width", std::move(width), isSide), 1,
                   Qt::AlignTop);
    auto* times = new QLabel(QStringLiteral("\u00D7"), this);
    times->setContentsMargins(0, 3, 0, 0);
    times->setMinimumHeight(fields.first()->sizeHint().height());
    row->addWidget(times, 0, Qt::AlignTop);
    row->addWidget(labelled("Height", "heightField", "Set the page height", std::move(height), isSide), 1,
                   Qt::AlignTop);
    row->addSpacing(row->spacing() > 0 ? row->spacing() * 2 : 12);
    row->addWidget(labelled("Margin", "marginField", "Set the page margin", std::move(margin), isMargin), 1,
                   Qt::AlignTop);

    // A new unit replaces what the fields show, dropping any half-typed text.
    connect(m_defaults, &KestrelExtensions::UserDefaults::changed, this, [fields](const QString& key) {
        if (key == QLatin1String(LayoutUnitsKeys::units))
            for (PointsField* field : fields)
                field->show();
    });
}

LayoutUnits PageSizeView::selectedUnit() const
{
    return storedLayoutUnits(*m_defaults);
}

} // namespace Sheetwright
