#include "PDFColumn.h"

#include "ByteCountFormatter.h"
#include "PDFViewer.h"
#include "Plurals.h"
#include "Sheetwright/Editors/SecondaryLabel.h"
#include "WindowModel.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace Sheetwright {

PDFColumn::PDFColumn(WindowModel& model, QWidget* parent)
    : QWidget(parent), m_model(model), m_viewer(new PDFViewer(model.pdfInfo(), this)),
      m_counts(new SecondaryLabel(QString(), this)), m_dash(new SecondaryLabel(QString(QChar(0x2014)), this)),
      m_size(new SecondaryLabel(QString(), this))
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    m_viewer->setMinimumWidth(300);
    column->addWidget(m_viewer, 1);
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
    connect(&model, &WindowModel::pdfInfoChanged, this, [this] {
        m_viewer->setPDF(m_model.pdfInfo());
        refreshInfo();
    });
    refreshInfo();
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
