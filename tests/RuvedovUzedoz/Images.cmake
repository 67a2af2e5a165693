sheetwright_add_test(RuvedovUzedozImagesTests
  SOURCES
    Images/ImageCachesTests.cpp
    Images/ColorFixtures.cpp
    Images/DecoderProcessTests.cpp
    Images/DeflationTests.cpp
    Images/ImageFixtures.cpp
    Images/PngFixtures.cpp
    Images/ImagePipelineTests.cpp
    Images/ImageReaderTests.cpp
    Images/JpegStructureTests.cpp
    Images/PngStructureTests.cpp
    Images/TargetSizeTests.cpp
  LIBRARIES RuvedovUzedoz Qt6::Gui PkgConfig::VIPS PkgConfig::LCMS2 ZLIB::ZLIB)
