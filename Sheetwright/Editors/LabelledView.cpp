#include "LabelledView.h"

#include "KestrelExtensions/Localization/Localized.h"
#include "SecondaryLabel.h"

#include <QLabel>
#include <QVBoxLayout>

namespace Sheetwright {

LabelledView::LabelledView(const QString& title, QWidget* control, QWidget* parent)
    : QWidget(parent), m_control(control),
      m_caption(new SecondaryLabel(KestrelExtensions::localized(title), this))
{
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(0);
    stack->addWidget(control, 0, Qt::AlignHCenter);
    stack->addWidget(m_caption, 0, Qt::AlignHCenter);

    QFont captionFont = m_caption->font();
    captionFont.setPointSizeF(captionFont.pointSizeF() * 0.8);
    m_caption->setFont(captionFont);
    m_caption->setObjectName(QStringLiteral("caption"));

    control->setAccessibleName(m_caption->text());
    setAccessibleName(m_caption->text());
}

void LabelledView::setStretchesControl(bool stretches)
{
    layout()->itemAt(0)->setAlignment(stretches ? Qt::Alignment() : Qt::AlignHCenter);
    layout()->invalidate();
}

} // namespace Sheetwright
