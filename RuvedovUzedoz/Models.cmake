# The engine's values: page layouts, colours, saved layouts, metadata, progress and the contact sheet.
list(APPEND engine_sources
  Layouts/Color.cpp
  Layouts/ColorProxy.cpp
  Layouts/PageLayout.cpp
  Layouts/SavedPageLayout.cpp
  Sheet/PDFMetadata.cpp
  Sheet/PDFProgress.cpp
  Sheet/PDFProgress.h
  Sheet/ImageDiscovery.cpp
  Sheet/ContactSheet.cpp
)
