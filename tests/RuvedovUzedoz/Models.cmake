sheetwright_add_test(RuvedovUzedozModelsTests
  SOURCES
    Models/ColorTests.cpp
    Models/PageLayoutTests.cpp
    Models/SavedPageLayoutTests.cpp
  LIBRARIES RuvedovUzedoz)
