#include "PDFColumn.h"

#include "ByteCountFormatter.h"
#include "PDFViewer.h"
#include "Plurals.h"
#include "Sheetwright/Editors/SecondaryLabel.h"
#include "WindowModel.h"

#include <KestrelExtensions/Localization/Localized.h>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QStackedLayout>
#include <QVBoxLayout>
#include <RuvedovUzedoz/Rendering/ContactSheetPage.h>

namespace Sheetwright {

PDFColumn::PDFColumn(WindowModel& model, QWidget* parent)
    : QWidget(parent), m_model(model), m_viewer(new PDFViewer(model.pdfInfo(), this)),
      m_counts(new SecondaryLabel(QString(), this)), m_dash(new SecondaryLabel(QString(QChar(0x2014)), this)),
      m_size(new SecondaryLabel(QString(), this)), m_problem(new SecondaryLabel(QString(), this)),
      m_pages(new QStackedLayout)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    m_viewer->setMinimumWidth(300);
    m_problem->setObjectName(QStringLiteral("layoutProblem"));
    m_problem->setTextFormat(Qt::PlainText);
    m_problem->setWordWrap(true);
    m_problem->setAlignment(Qt::AlignCenter);
    m_problem->setMargin(24);
    m_pages->addWidget(m_viewer);
    m_pages->addWidget(m_problem);
    column->addLayout(m_pages, 1);
    auto* divider = new QFrame(this);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Sunken);
    column->addWidget(divider);

    auto* infoBar = new QWidget(this);
    infoBar->setFixedHeight(27);
    auto* info = new QHBoxLayout(infoBar);
    info->setContentsMargins(0, 0, 0, 0);
    info->addStretch();
    for (QLabel* label : {m_counts, m_dash, m_size}) {
        label->setTextFormat(Qt::PlainText);
        info->addWidget(label);
    }
    info->addStretch();
    column->addWidget(infoBar);

    connect(&model, &WindowModel::imagesChanged, this, &PDFColumn::refreshInfo);
    connect(&model, &WindowModel::layoutChanged, this, &PDFColumn::refreshProblem);
    refreshProblem();
    connect(&model, &WindowModel::pdfInfoChanged, this, [this] {
        m_viewer->setPDF(m_model.pdfInfo());
        refreshInfo();
    });
    refreshInfo();
}

void PDFColumn::refreshProblem()
{
    // The editors refuse sizes and grids that cannot be drawn; the margin can still leave no room for a
    // cell together with the page size and the grid, from whichever of them changed last.
    const bool fits = RuvedovUzedoz::ContactSheetPage::cellSize(m_model.layout()).has_value();
    m_problem->setText(fits ? QString()
                            : KestrelExtensions::localized(
                                  "The margin leaves no room for the pictures on this page. Make the margin "
                                  "smaller, or use fewer rows or columns."));
    m_pages->setCurrentWidget(fits ? static_cast<QWidget*>(m_viewer) : m_problem);
}

void PDFColumn::refreshInfo()
{
    const auto& pdf = m_model.pdfInfo();
    m_counts->setText(Plurals::localized("pdf-info %lld %lld", qint64(m_model.images().size()),
                                         qint64(pdf ? pdf->pageCount : 0)));
    // No PDF: no dash and no size, and no room kept for them.
    m_dash->setVisible(pdf.has_value());
    m_size->setVisible(pdf.has_value());
    m_size->setText(pdf ? formatByteCount(pdf->size) : QString());
}

} // namespace Sheetwright
