#include "ControlAlignedForm.h"

#include <QGridLayout>

namespace KestrelExtensions {

ControlAlignedForm::ControlAlignedForm(QWidget* parent) : QWidget(parent), m_grid(new QGridLayout(this))
{
    m_grid->setContentsMargins(0, 0, 0, 0);
    // Extra width goes to the right of the controls, never between label and control.
    m_grid->setColumnStretch(0, 0);
    m_grid->setColumnStretch(1, 1);
}

int ControlAlignedForm::addLabelledRow(QWidget* control, QWidget* label, Qt::Alignment verticalAlignment)
{
    const Qt::Alignment vertical = verticalAlignment & Qt::AlignVertical_Mask;
    const int row = m_rows++;
    if (label)
        m_grid->addWidget(label, row, 0, Qt::AlignRight | vertical);
    if (control)
        m_grid->addWidget(control, row, 1, Qt::AlignLeft | vertical);
    // Rows stay together at the top, as a stack would keep them; spare height goes below the last.
    m_grid->setRowStretch(row, 0);
    m_grid->setRowStretch(row + 1, 1);
    return row;
}

int ControlAlignedForm::rowCount() const
{
    return m_rows;
}

int ControlAlignedForm::controlAlignment() const
{
    m_grid->activate();
    return m_grid->cellRect(0, 1).x();
}

} // namespace KestrelExtensions
