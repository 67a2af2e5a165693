#pragma once

#include "Sheetwright/Layouts/LayoutManager.h"

#include <QObject>
#include <optional>

namespace Sheetwright {

// A main window's command channel: the menus write a command into the key window's object and that
// window carries it out. Every write is delivered, also the same command twice; nothing resets it.
class MenuCommands : public QObject {
    Q_OBJECT
    // A notifying property, so whoever reads the key window's object through the key-window library
    // hears of each command as a change of the object.
    Q_PROPERTY(std::optional<Sheetwright::MenuCommands::Commands> command READ command NOTIFY commandChanged)
public:
    // Published for its window under its own type; the key-window library wraps it with a fresh
    // identity at every publication, as it has no equality.
    using Value = MenuCommands;

    struct Commands {
        enum class Kind { deleteLayout, setLayout, presentImporter, presentExporter, saveLayout, rotatePage };
        Kind kind;
        // The layout name of deleteLayout and setLayout.
        LayoutManager::TitleKey name;

        static Commands deleteLayout(LayoutManager::TitleKey name)
        {
            return {Kind::deleteLayout, std::move(name)};
        }
        static Commands setLayout(LayoutManager::TitleKey name) { return {Kind::setLayout, std::move(name)}; }
        static Commands presentImporter() { return {Kind::presentImporter, {}}; }
        static Commands presentExporter() { return {Kind::presentExporter, {}}; }
        static Commands saveLayout() { return {Kind::saveLayout, {}}; }
        static Commands rotatePage() { return {Kind::rotatePage, {}}; }
    };

    explicit MenuCommands(QObject* parent = nullptr) : QObject(parent) {}

    // The object menu items address while no main window is key; nobody listens to it.
    static MenuCommands& defaultValue();

    const std::optional<Commands>& command() const { return m_command; }
    void setCommand(const Commands& command);

signals:
    void commandChanged(const Sheetwright::MenuCommands::Commands& command);

private:
    std::optional<Commands> m_command;
};

} // namespace Sheetwright
