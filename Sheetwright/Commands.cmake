# The menu bar and the commands it runs on the key window.
target_sources(SheetwrightWindow PRIVATE
  Commands/MenuCommands.cpp
  Commands/LayoutCommands.cpp
  Commands/MenuCommandItem.cpp
  Commands/ImportImages.cpp
  Commands/ExportImages.cpp
  Commands/MenuBar.cpp
)
