# The application's settings window and its General pane.
target_sources(SheetwrightSettings PRIVATE
  Settings/GeneralPreferences.h Settings/GeneralPreferences.cpp
  Settings/SettingsWindow.h Settings/SettingsWindow.cpp
)
