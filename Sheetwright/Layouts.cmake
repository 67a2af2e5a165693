# Layout editing: saved layouts and their files, display units, image quality, undo, the settings
# column's editors and the Save Layout sheet. Everything here edits or stores the engine's layout values.
add_library(SheetwrightLayouts STATIC
  Layouts/UnitFormatter.cpp
  Layouts/LayoutUnits.cpp
  Layouts/ImageQuality.cpp
  Layouts/LayoutManager.cpp
  Editors/SecondaryLabel.cpp
  Editors/LabelledView.cpp
  Editors/NumberPicker.cpp
  Editors/SegmentedPicker.cpp
  Editors/ColorWell.cpp
  Editors/PageSizeView.cpp
  Editors/PageLayoutView.cpp
  Editors/PageRenderingView.cpp
  Editors/PageStyleView.cpp
  Editors/PDFMetadataView.cpp
  Editors/LayoutSettings.cpp
  Editors/SaveLayout.cpp
)
target_include_directories(SheetwrightLayouts PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(SheetwrightLayouts PUBLIC RuvedovUzedoz KestrelExtensions Qt6::Widgets Qt6::Gui)
if(TARGET KestrelExtensionsWidgets)
  target_link_libraries(SheetwrightLayouts PUBLIC KestrelExtensionsWidgets)
endif()
