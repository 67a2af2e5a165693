# The main window: its columns, PDF viewer, progress and the render service behind it.
target_sources(SheetwrightWindow PRIVATE
  Window/ByteCountFormatter.cpp
  Window/ContentView.cpp
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
