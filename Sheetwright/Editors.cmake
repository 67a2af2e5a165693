# The settings column's editors and the Save Layout sheet.
target_sources(SheetwrightLayouts PRIVATE
  Editors/ElidedText.cpp
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
  Editors/FailureReport.cpp
  Editors/WheelGuard.cpp
)
