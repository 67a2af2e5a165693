if(NOT TARGET SheetwrightLayouts)
  return()
endif()
sheetwright_add_test(SheetwrightLayoutsTests WIDGETS
  SOURCES
    Layouts/UnitsTests.cpp
    Layouts/ImageQualityTests.cpp
    Layouts/UndoHandlerTests.cpp
    Layouts/LabelledViewTests.cpp
  LIBRARIES SheetwrightLayouts Qt6::Test)
