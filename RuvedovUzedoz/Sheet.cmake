# The contact sheet's inputs and outputs: PDF metadata, progress, picture discovery and the sheet itself.
target_sources(RuvedovUzedoz PRIVATE
  Sheet/PDFMetadata.cpp
  Sheet/PDFProgress.cpp
  Sheet/PDFProgress.h
  Sheet/ImageDiscovery.cpp
  Sheet/LocalPath.cpp
  Sheet/ContactSheet.cpp
  Sheet/PDFFile.cpp
  Sheet/PDFInfo.cpp
)
