sheetwright_add_test(SheetwrightWindowTests WIDGETS
  SOURCES
    Window/WindowTestSupport.h
    Window/WindowModelTests.cpp
    Window/ContentViewTests.cpp
    Window/ApplicationTests.cpp
  LIBRARIES SheetwrightWindow Qt6::Test)
