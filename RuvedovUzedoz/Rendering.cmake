# The contact sheet's page drawing: cells, pages, fonts, compression and the render pool.
target_sources(RuvedovUzedoz PRIVATE
  Rendering/CompressionSettings.cpp
  Rendering/ContactSheetCell.cpp
  Rendering/ContactSheetPage.cpp
  Rendering/ContactSheetRendering.cpp
  Rendering/FontFamilies.cpp
  Rendering/ImageSupply.cpp
  Rendering/LayoutRefusal.cpp
  Rendering/NumberDescription.cpp
  Rendering/ProgressByDocument.cpp
  Rendering/RenderPool.cpp
)
