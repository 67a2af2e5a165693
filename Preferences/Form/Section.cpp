#include "Section.h"

#include <QApplication>
#include <QLabel>
#include <QVBoxLayout>

namespace Preferences {

namespace {

// A view not yet placed in a container is the section's to delete; a placed one belongs to its parent.
std::shared_ptr<QPointer<QWidget>> hold(QWidget* view)
{
    return std::shared_ptr<QPointer<QWidget>>(new QPointer<QWidget>(view), [](QPointer<QWidget>* widget) {
        if (*widget && !(*widget)->parent())
            delete widget->data();
        delete widget;
    });
}

QWidget* stacked(QWidget* content)
{
    auto* stack = new QWidget;
    auto* layout = new QVBoxLayout(stack);
    layout->setContentsMargins(0, 0, 0, 0);
    if (content)
        layout->addWidget(content, 0, Qt::AlignLeft);
    return stack;
}

} // namespace

Section::Section(bool bottomDivider, Qt::Alignment verticalAlignment, const ViewBuilder& label,
                 const ViewBuilder& content)
    : m_label(hold(label ? label() : new QWidget)), m_content(hold(stacked(content ? content() : nullptr))),
      m_bottomDivider(bottomDivider), m_verticalAlignment(verticalAlignment & Qt::AlignVertical_Mask)
{
}

Section::Section(const QString& title, bool bottomDivider, Qt::Alignment verticalAlignment,
                 const ViewBuilder& content)
    : Section(
          bottomDivider, verticalAlignment,
          [&title] {
              auto* label = new QLabel(title);
              label->setTextFormat(Qt::PlainText);
              QFont font = QApplication::font();
              font.setWeight(QFont::Normal);
              label->setFont(font);
              return label;
          },
          content)
{
}

} // namespace Preferences
