# Small additions to engine values that only the application needs.
target_sources(SheetwrightWindow PRIVATE
  Extensions/PDFInfoWriter.cpp
)
