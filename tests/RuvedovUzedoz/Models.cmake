sheetwright_add_test(RuvedovUzedozModelsTests
  SOURCES
    Models/ColorTests.cpp
    Models/PageLayoutTests.cpp
    Models/SavedPageLayoutTests.cpp
    Models/SheetValuesTests.cpp
    Models/ContactSheetTests.cpp
  LIBRARIES RuvedovUzedoz Qt6::Test)
