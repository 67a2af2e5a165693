sheetwright_add_test(SheetwrightLayoutsTests WIDGETS
  SOURCES
    Layouts/UndoHandlerTests.cpp
    Layouts/LayoutManagerTests.cpp
    Layouts/PageEditorsTests.cpp
    Layouts/StyleAndRenderingTests.cpp
    Layouts/LayoutSettingsTests.cpp
    Layouts/SaveLayoutTests.cpp
  LIBRARIES SheetwrightLayouts SheetwrightWindow Qt6::Test)
