# PDF documents and pages over cairo, Pango and qpdf, and the contact sheet's page drawing.
list(APPEND engine_sources
  Pdf/GraphicsContext.cpp
  Pdf/PdfDocument.cpp
  Pdf/PdfPage.cpp
  Pdf/PdfPostProcess.cpp
  Rendering/CompressionSettings.cpp
  Rendering/ContactSheetCell.cpp
  Rendering/ContactSheetPage.cpp
  Rendering/ContactSheetRendering.cpp
  Rendering/FontFamilies.cpp
  Rendering/ImageSupply.cpp
  Rendering/NumberDescription.cpp
  Rendering/ProgressByDocument.cpp
  Rendering/RenderPool.cpp
)
