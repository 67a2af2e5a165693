# The application's settings window and its General pane.
add_library(SheetwrightSettings STATIC
  Settings/GeneralPreferences.h Settings/GeneralPreferences.cpp
  Settings/SettingsWindow.h Settings/SettingsWindow.cpp
)
target_include_directories(SheetwrightSettings PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(SheetwrightSettings PUBLIC
  SheetwrightLayouts Preferences KestrelUpdater KestrelExtensions Qt6::Widgets)
