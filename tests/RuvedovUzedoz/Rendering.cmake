sheetwright_add_test(RuvedovUzedozRenderingTests
  SOURCES
    Images/ColorFixtures.cpp
    Images/ImageFixtures.cpp
    Images/PngFixtures.cpp
    Rendering/CancellationTests.cpp
    Rendering/PdfInspector.cpp
    Rendering/RenderFixtures.cpp
    Rendering/GeometryTests.cpp
    Rendering/PdfLayerTests.cpp
    Rendering/ProgressTests.cpp
    Rendering/RenderingTests.cpp
  LIBRARIES RuvedovUzedoz Qt6::Gui PkgConfig::VIPS PkgConfig::LCMS2 PkgConfig::QPDF PkgConfig::CAIRO ZLIB::ZLIB)
