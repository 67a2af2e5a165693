# The main window, its commands and the application type (library SheetwrightWindow), and the program.
add_library(SheetwrightWindow STATIC
  App/SheetwrightApp.cpp
  Commands/MenuCommands.cpp
  Commands/LayoutCommands.cpp
  Commands/MenuBar.cpp
  Extensions/PDFInfoWriter.cpp
  Window/ByteCountFormatter.cpp
  Window/ContentView.cpp
  Window/Icons.cpp
  Window/ImageChooserDialog.cpp
  Window/PDFColumn.cpp
  Window/PDFProgressView.cpp
  Window/PDFPageRenderer.cpp
  Window/PDFViewer.cpp
  Window/Plurals.cpp
  Window/RenderService.cpp
  Window/SidebarColumn.cpp
  Window/WindowModel.cpp
)
target_include_directories(SheetwrightWindow PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(SheetwrightWindow PUBLIC
  KestrelExtensions KeyWindow SheetwrightLayouts SheetwrightSettings KestrelUpdater RuvedovUzedoz
  Qt6::Widgets Qt6::Gui Qt6::Concurrent Qt6::Pdf Qt6::PdfWidgets)

add_executable(sheetwright main.cpp)
qt_add_resources(sheetwright "application_icon" PREFIX "/" BASE Resources
  FILES Resources/com.ardentmoss.Sheetwright.svg)
target_link_libraries(sheetwright PRIVATE SheetwrightWindow)
target_compile_definitions(sheetwright PRIVATE SHEETWRIGHT_VERSION="${PROJECT_VERSION}")
set_target_properties(sheetwright PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/Sheetwright)

install(TARGETS sheetwright RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES Resources/com.ardentmoss.Sheetwright.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES Resources/com.ardentmoss.Sheetwright.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
