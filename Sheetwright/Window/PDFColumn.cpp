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
#include <RuvedovUzedoz/Rendering/LayoutRefusal.h>

namespace Sheetwright {

PDFColumn::PDFColumn(WindowModel& model, QWidget* parent)
    : QWidget(parent), m_model(model), m_viewer(new PDFViewer(model.pdfInfo(), this)),
      m_counts(new SecondaryLabel(QString(), this)), m_dash(new SecondaryLabel(QString(QChar(0x2014)), this)),
      m_size(new SecondaryLabel(QString(), this)), m_problem(new SecondaryLabel(QString(), this)),
      m_failure(new SecondaryLabel(QString(), this)), m_pages(new QStackedLayout)
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
    m_failure->setObjectName(QStringLiteral("renderFailure"));
    m_failure->setTextFormat(Qt::PlainText);
    m_failure->setWordWrap(true);
    m_failure->setAlignment(Qt::AlignCenter);
    m_failure->setMargin(12);
    // However long the system's reason, the label grows in height only.
    m_failure->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    column->addWidget(m_failure);
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
    connect(&model, &WindowModel::renderFailureChanged, this, &PDFColumn::refreshFailure);
    refreshFailure();
    connect(&model, &WindowModel::pdfInfoChanged, this, [this] {
        m_viewer->setPDF(m_model.pdfInfo());
        refreshInfo();
    });
    refreshInfo();
}

void PDFColumn::refreshProblem()
{
    // The editors refuse sizes and grids that cannot be drawn; the margin can still leave no room for a
    // cell together with the page size and the grid, from whichever of them changed last, and the
    // labels' font size can leave no room for the pictures.
    QString problem;
    if (!RuvedovUzedoz::ContactSheetPage::cellSize(m_model.layout()))
        problem =
            KestrelExtensions::localized("The margin leaves no room for the pictures on this page. Make "
                                         "the margin smaller, or use fewer rows or columns.");
    else if (const auto refusal = RuvedovUzedoz::LayoutRefusal::of(m_model.layout());
             refusal && refusal->kind == RuvedovUzedoz::LayoutRefusal::Kind::Labels)
        problem = KestrelExtensions::localized("The labels leave no room for the pictures on this page. Make "
                                               "the font smaller, turn the labels off, or use fewer rows.");
    m_problem->setText(problem);
    m_pages->setCurrentWidget(problem.isEmpty() ? static_cast<QWidget*>(m_viewer) : m_problem);
}

void PDFColumn::refreshFailure()
{
    const std::optional<QString>& failure = m_model.renderFailure();
    if (!failure) {
        m_failure->clear();
        m_failure->hide();
        return;
    }
    m_failure->setText(
        failure->isEmpty()
            ? KestrelExtensions::localized("The PDF could not be rendered. Render to try again.")
            : KestrelExtensions::localized("The PDF could not be rendered: %1. Render to try again.")
                  .arg(*failure));
    m_failure->show();
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
