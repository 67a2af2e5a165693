sheetwright_add_test(SheetwrightWindowTests WIDGETS
  SOURCES
    Window/WindowTestSupport.h
    Window/WindowModelTests.cpp
    Window/TextFormatTests.cpp
    Window/ContentViewTests.cpp
    Window/ApplicationTests.cpp
    Window/ImageChooserDialogTests.cpp
  LIBRARIES SheetwrightWindow Qt6::Test)
