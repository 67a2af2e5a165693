#include "Pane.h"

#include <QVBoxLayout>

namespace Preferences {

Pane::Pane(PaneIdentifier identifier, QString title, QIcon toolbarIcon, ContentFactory contentView)
    : m_identifier(std::move(identifier)), m_title(std::move(title)), m_toolbarIcon(std::move(toolbarIcon)),
      m_content(std::move(contentView))
{
}

QWidget* Pane::makeContent() const
{
    return m_content ? m_content() : nullptr;
}

PreferencePane* Pane::asPreferencePane() const
{
    return new PaneHostingController(*this);
}

PaneHostingController::PaneHostingController(PaneIdentifier identifier, QString title, QIcon toolbarIcon,
                                             QWidget* content, QWidget* parent)
    : PreferencePane(parent), m_identifier(std::move(identifier)), m_title(std::move(title)),
      m_toolbarIcon(std::move(toolbarIcon)), m_rootView(content ? content : new QWidget)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_rootView);
}

PaneHostingController::PaneHostingController(const Pane& pane, QWidget* parent)
    : PaneHostingController(pane.identifier(), pane.title(), pane.toolbarIcon(), pane.makeContent(), parent)
{
}

} // namespace Preferences
