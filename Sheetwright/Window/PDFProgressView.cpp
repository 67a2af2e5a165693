#include "PDFProgressView.h"

#include "Plurals.h"
#include "Sheetwright/Editors/SecondaryLabel.h"
#include "WindowModel.h"

#include <KestrelExtensions/Localization/Localized.h>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>
#include <algorithm>

namespace Sheetwright {

PDFProgressView::PDFProgressView(WindowModel& model, QWidget* parent)
    : QWidget(parent), m_model(model),
      m_title(new QLabel(KestrelExtensions::localized("Rendering PDF"), this)), m_bar(new QProgressBar(this)),
      m_counts(new SecondaryLabel(QString(), this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_title, 0, Qt::AlignLeading);
    layout->addWidget(m_bar);
    layout->addWidget(m_counts, 0, Qt::AlignLeading);
    m_bar->setTextVisible(false);
    QFont caption = m_counts->font();
    caption.setPointSizeF(caption.pointSizeF() * 0.85);
    m_counts->setFont(caption);

    // Hidden between renders, and then it takes no room: the settings column reaches the window's foot.
    connect(&model, &WindowModel::progressChanged, this, &PDFProgressView::refresh);
    refresh();
}

void PDFProgressView::refresh()
{
    const auto& progress = m_model.progress();
    setVisible(progress.isRendering());
    if (!progress.isRendering())
        return;
    // A zero total would turn the bar into a busy indicator; it stays determinate.
    m_bar->setRange(0, std::max(1, int(progress.totalUnitCount())));
    m_bar->setValue(int(progress.completedUnitCount()));
    m_counts->setText(Plurals::localized("render %f %f", double(progress.completedUnitCount()),
                                         double(progress.totalUnitCount())));
}

} // namespace Sheetwright
