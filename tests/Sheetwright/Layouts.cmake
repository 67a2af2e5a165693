sheetwright_add_test(SheetwrightLayoutsTests WIDGETS
  SOURCES
    Layouts/LayoutManagerTests.cpp
    Layouts/EditorsTests.cpp
  LIBRARIES SheetwrightLayouts SheetwrightWindow Qt6::Test)
