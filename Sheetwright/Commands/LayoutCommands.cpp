#include "LayoutCommands.h"

#include "RuvedovUzedoz/Layouts/BuiltInLayout.h"
#include "Sheetwright/Layouts/LayoutUnits.h"

#include <KestrelExtensions/Defaults/UserDefaults.h>
#include <KestrelExtensions/Localization/Localized.h>
#include <QActionGroup>
#include <QMenu>
#include <algorithm>

namespace Sheetwright {

using KestrelExtensions::localized;
using Commands = MenuCommands::Commands;
using TitleKey = LayoutManager::TitleKey;

QString menuText(const QString& verbatim)
{
    QString text = verbatim;
    return text.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

LayoutCommands::LayoutCommands(QMenu* menu, KestrelExtensions::UserDefaults& defaults,
                               LayoutManager& layoutManager, QObject* parent)
    : QObject(parent), m_defaults(defaults), m_layoutManager(layoutManager), m_units(new QActionGroup(this))
{
    QAction* rotate =
        menu->addAction(localized("Rotate Page"), this, [this] { send(Commands::rotatePage()); });
    rotate->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));

    QMenu* units = menu->addMenu(localized("Units"));
    const std::pair<LayoutUnits, const char*> unitRows[] = {{LayoutUnits::points, "Points"},
                                                            {LayoutUnits::imperial, "Inches"},
                                                            {LayoutUnits::metric, "Millimeters"}};
    for (const auto& [unit, title] : unitRows) {
        QAction* action = units->addAction(localized(title));
        action->setCheckable(true);
        action->setData(rawValue(unit));
        m_units->addAction(action);
        connect(action, &QAction::triggered, this,
                [this, unit = unit] { storeLayoutUnits(m_defaults, unit); });
    }
    connect(&m_defaults, &KestrelExtensions::UserDefaults::changed, this, [this](const QString& key) {
        if (key == QLatin1String(LayoutUnitsKeys::units))
            refreshUnits();
    });
    refreshUnits();

    menu->addSeparator();
    QMenu* setLayout = menu->addMenu(localized("Set Layout"));
    setLayout->addAction(localized("Default"), this,
                         [this] { send(Commands::setLayout(TitleKey::defaultLayout)); });
    setLayout->addSeparator();
    QMenu* group = nullptr;
    const char* groupTitle = nullptr;
    for (const RuvedovUzedoz::BuiltInLayout& preset : RuvedovUzedoz::builtInLayouts()) {
        if (!groupTitle || qstrcmp(groupTitle, preset.group) != 0)
            group = setLayout->addMenu(localized(preset.group));
        groupTitle = preset.group;
        const TitleKey key(preset.name);
        group->addAction(localized(preset.title), this, [this, key] { send(Commands::setLayout(key)); });
    }
    QMenu* custom = setLayout->addMenu(localized("Custom Layouts"));
    connect(custom, &QMenu::aboutToShow, this,
            [this, custom] { fillCustomRows(custom, &Commands::setLayout); });
    fillCustomRows(custom, &Commands::setLayout);

    menu->addAction(localized("Save Custom Layout\u2026"), this, [this] { send(Commands::saveLayout()); });
    QMenu* remove = menu->addMenu(localized("Delete Custom Layout"));
    connect(remove, &QMenu::aboutToShow, this,
            [this, remove] { fillCustomRows(remove, &Commands::deleteLayout); });
    fillCustomRows(remove, &Commands::deleteLayout);
}

void LayoutCommands::send(const MenuCommands::Commands& command)
{
    m_commands.wrappedValue().setCommand(command);
}

QStringList LayoutCommands::customLayoutNames(const LayoutManager& layoutManager)
{
    QStringList names;
    for (const auto& [key, layout] : layoutManager.layouts())
        names.append(key.name());
    // Code points, not UTF-16 units: the two differ only past the Basic Multilingual Plane.
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const auto codePointsA = a.normalized(QString::NormalizationForm_C).toUcs4();
        const auto codePointsB = b.normalized(QString::NormalizationForm_C).toUcs4();
        return std::lexicographical_compare(codePointsA.begin(), codePointsA.end(), codePointsB.begin(),
                                            codePointsB.end());
    });
    return names;
}

void LayoutCommands::fillCustomRows(QMenu* menu, MenuCommands::Commands (*command)(LayoutManager::TitleKey))
{
    menu->clear();
    for (const QString& name : customLayoutNames(m_layoutManager)) {
        QAction* action = menu->addAction(menuText(name));
        action->setData(name);
        connect(action, &QAction::triggered, this, [this, command, name] { send(command(TitleKey(name))); });
    }
}

void LayoutCommands::refreshUnits()
{
    const QString current = rawValue(storedLayoutUnits(m_defaults));
    for (QAction* action : m_units->actions())
        action->setChecked(action->data().toString() == current);
}

} // namespace Sheetwright
