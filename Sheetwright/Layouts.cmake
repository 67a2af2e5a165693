# Layout editing: saved layouts and their files, display units, image quality, undo, the settings
# column's editors and the Save Layout sheet.
set(sheetwright_layouts_sources
  Layouts/UnitFormatter.cpp
  Layouts/LayoutUnits.cpp
  Layouts/ImageQuality.cpp
  Editors/LabelledView.cpp
)
add_library(SheetwrightLayouts STATIC ${sheetwright_layouts_sources})
target_include_directories(SheetwrightLayouts PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(SheetwrightLayouts PUBLIC KestrelExtensions Qt6::Widgets Qt6::Gui)
if(TARGET RuvedovUzedoz)
  target_link_libraries(SheetwrightLayouts PUBLIC RuvedovUzedoz)
endif()
if(TARGET KestrelExtensionsWidgets)
  target_link_libraries(SheetwrightLayouts PUBLIC KestrelExtensionsWidgets)
endif()
