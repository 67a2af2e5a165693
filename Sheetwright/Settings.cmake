# The application's settings window and its General pane. It needs the layout manager (which needs the
# engine), the updater's pane and the settings-window library; until those stand it is left out and the
# application shows its placeholder tabs.
if(TARGET SheetwrightLayouts AND TARGET RuvedovUzedoz AND TARGET KestrelUpdater AND TARGET Preferences
   AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/Layouts/LayoutManager.cpp)
  add_library(SheetwrightSettings STATIC
    Settings/GeneralPreferences.h Settings/GeneralPreferences.cpp
    Settings/SettingsWindow.h Settings/SettingsWindow.cpp
  )
  target_include_directories(SheetwrightSettings PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(SheetwrightSettings PUBLIC
    SheetwrightLayouts Preferences KestrelUpdater KestrelExtensions Qt6::Widgets)
endif()
