#include "PageLayoutView.h"

#include "KestrelExtensions/Localization/Localized.h"
#include "LabelledView.h"
#include "NumberPicker.h"
#include "PageSizeView.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

using KestrelExtensions::localized;
using RuvedovUzedoz::PageLayout;

namespace Sheetwright {

PageLayoutView::PageLayoutView(KestrelExtensions::Binding<PageLayout> layout,
                               KestrelExtensions::UserDefaults* defaults, QWidget* parent)
    : QWidget(parent), m_layout(std::move(layout))
{
    auto* rows = new QVBoxLayout(this);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->addWidget(new PageSizeView(m_layout.member(&PageLayout::width),
                                     m_layout.member(&PageLayout::height),
                                     m_layout.member(&PageLayout::margin), defaults, this));

    auto picker = [this](const char* title, const char* name, const char* help, qint64 PageLayout::*field,
                         NumberPicker*& out) {
        auto* combo = new NumberPicker;
        combo->setObjectName(QString::fromLatin1(name));
        for (int n = 1; n <= 10; ++n)
            combo->addOption(QString::number(n), n);
        auto binding = m_layout.member(field);
        connect(combo, &NumberPicker::valueChosen, this, [binding](double n) { binding.set(qint64(n)); });
        auto* view = new LabelledView(QString::fromUtf8(title), combo, this);
        view->setMinimumWidth(85);
        combo->setMinimumWidth(85);
        view->setToolTip(localized(help));
        out = combo;
        return view;
    };

    auto* grid = new QHBoxLayout;
    grid->addWidget(picker("Rows", "rowsPicker", "Set the number of rows", &PageLayout::rows, m_rows), 0,
                    Qt::AlignTop);
    auto* times = new QLabel(QStringLiteral("\u00D7"), this);
    times->setContentsMargins(0, 3, 0, 0);
    times->setMinimumHeight(m_rows->sizeHint().height());
    grid->addWidget(times, 0, Qt::AlignTop);
    grid->addWidget(
        picker("Columns", "columnsPicker", "Set the number of columns", &PageLayout::columns, m_columns), 0,
        Qt::AlignTop);
    grid->addStretch(1);
    rows->addLayout(grid);

    m_layout.onChange(this, [this] { refresh(); });
    refresh();
}

void PageLayoutView::refresh()
{
    const PageLayout layout = m_layout.get();
    m_rows->setValue(double(layout.rows));
    m_columns->setValue(double(layout.columns));
}

} // namespace Sheetwright
