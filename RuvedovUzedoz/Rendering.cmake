# PDF documents and pages over cairo, Pango and qpdf, and the contact sheet's page drawing.
list(APPEND engine_sources
  Pdf/GraphicsContext.cpp
  Pdf/PdfDocument.cpp
  Pdf/PdfPage.cpp
  Pdf/PdfPostProcess.cpp
  Rendering/FontFamilies.cpp
)
