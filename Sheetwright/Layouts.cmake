# Saved layouts and their files, display units and image quality.
target_sources(SheetwrightLayouts PRIVATE
  Layouts/UnitFormatter.cpp
  Layouts/LayoutUnits.cpp
  Layouts/ImageQuality.cpp
  Layouts/LayoutManager.cpp
)
