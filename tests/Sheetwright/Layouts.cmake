sheetwright_add_test(SheetwrightLayoutsTests WIDGETS
  SOURCES
    Layouts/DiskStoreTests.cpp
    Layouts/LayoutManagerTests.cpp
    Layouts/EditorsTests.cpp
  LIBRARIES SheetwrightLayouts SheetwrightWindow Qt6::Test)
