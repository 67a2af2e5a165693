# PDF documents and pages over cairo, Pango and qpdf.
target_sources(RuvedovUzedoz PRIVATE
  Pdf/GraphicsContext.cpp
  Pdf/ImageStreams.cpp
  Pdf/IncrementalUpdate.cpp
  Pdf/PdfDocument.cpp
  Pdf/PdfPage.cpp
  Pdf/PdfPostProcess.cpp
)
