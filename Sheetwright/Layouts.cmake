# Layout editing: saved layouts and their files, display units, image quality, undo, the settings
# column's editors and the Save Layout sheet.
set(sheetwright_layouts_sources
  Layouts/UnitFormatter.cpp
  Layouts/LayoutUnits.cpp
  Layouts/ImageQuality.cpp
  Editors/LabelledView.cpp
)
# Everything that edits or stores page layouts needs the engine's layout values.
if(TARGET RuvedovUzedoz)
  list(APPEND sheetwright_layouts_sources
    Layouts/LayoutManager.cpp
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
endif()
add_library(SheetwrightLayouts STATIC ${sheetwright_layouts_sources})
target_include_directories(SheetwrightLayouts PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(SheetwrightLayouts PUBLIC KestrelExtensions Qt6::Widgets Qt6::Gui)
if(TARGET RuvedovUzedoz)
  target_link_libraries(SheetwrightLayouts PUBLIC RuvedovUzedoz)
endif()
if(TARGET KestrelExtensionsWidgets)
  target_link_libraries(SheetwrightLayouts PUBLIC KestrelExtensionsWidgets)
endif()
